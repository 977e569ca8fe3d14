#!/usr/bin/env python3
"""Writes the page's index.html from its template: the controls legend
(@VOXRA_LEGEND_ROWS@) is the README's Controls table, row for row,
@PROJECT_VERSION@ the project's version, and each <script src="page_*.js">
the script of that name beside the template, inlined, so that the page is
one file; given UglifyJS, each script is inlined minified.

    make_page.py TEMPLATE README.md VERSION OUTPUT [UGLIFYJS]
"""

import html
import os
import re
import subprocess
import sys


def controls_rows(readme):
    """The body rows of the table under the README's "## Controls" heading, as
    lists of cells (markdown: `code` spans only)."""
    lines = readme.split("\n")
    if "## Controls" not in lines:
        raise SystemExit("make_page.py: no \"## Controls\" heading in the README")
    table = []
    for line in lines[lines.index("## Controls") + 1:]:
        if line.startswith("|"):
            table.append(line)
        elif table:
            break
    rows = [[cell.strip() for cell in line.strip().strip("|").split("|")] for line in table[2:]]
    if not rows or any(len(row) != 2 for row in rows):
        raise SystemExit("make_page.py: no two-column Controls table in the README")
    return rows


def cell(text):
    return re.sub(r"`([^`]*)`", r"<code>\1</code>", html.escape(text, quote=False))


def inline_scripts(page, folder, uglifyjs=None):
    """The page with each of its own scripts (page_*.js beside the template) written into it, compressed
    and with its local names shortened by `uglifyjs` if given."""
    def script(match):
        path = os.path.join(folder, match.group(1))
        if uglifyjs:
            code = subprocess.run([uglifyjs, path, "-c", "-m"], check=True, capture_output=True,
                                  encoding="utf-8").stdout
        else:
            with open(path, encoding="utf-8") as f:
                code = f.read()
        return "<script>\n%s\n//# sourceURL=%s\n</script>" % (code.rstrip("\n"), match.group(1))
    return re.sub(r'<script src="(page_\w+\.js)"></script>', script, page)


def main(argv):
    if len(argv) not in (5, 6):
        sys.stderr.write(__doc__)
        return 2
    template, readme, version, output = argv[1:5]
    with open(readme, encoding="utf-8") as f:
        rows = controls_rows(f.read())
    legend = "\n".join("        <tr><td>%s</td><td>%s</td></tr>" % (cell(keys), cell(action))
                       for keys, action in rows)
    with open(template, encoding="utf-8") as f:
        page = f.read()
    if "@VOXRA_LEGEND_ROWS@" not in page:
        raise SystemExit("make_page.py: no @VOXRA_LEGEND_ROWS@ in the template")
    page = inline_scripts(page, os.path.dirname(os.path.abspath(template)), argv[5] if len(argv) > 5 else None)
    page = page.replace("@VOXRA_LEGEND_ROWS@", legend).replace("@PROJECT_VERSION@", version)
    with open(output, "w", encoding="utf-8") as f:
        f.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
