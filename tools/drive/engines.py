"""The page's browser by its engine's name, whichever driver serves it: Chromium over DevTools (cdrive),
Firefox and WebKit over W3C WebDriver (wdrive)."""


def browser(engine, webgl=True):
    """Chromium, Firefox or WebKit ("chromium", "firefox", "webkit"), without WebGL if `webgl` is False,
    for `with`; its page() offers the same in every engine."""
    if engine == "chromium":
        from drive.cdrive import Browser
        return Browser(*[] if webgl else ["--disable-webgl"])
    from drive.wdrive import Browser
    return Browser(engine, webgl)
