// The page's own play around the picture: turning a slab by dragging the
// cube, the move count and the timer, the solved notice, undo and redo, and
// the puzzle kept across reloads. The game inside the picture is untouched:
// turns are made by holding their chords through the pad's keys, as a
// player's fingers would, and the game is read through its exports.
//
// Calls the game's exports (VoxraDragTurn, VoxraTurnChord,
// VoxraTurnAfterCubeTurns, VoxraSolved, VoxraReplay), VoxraPad.press,
// .release and .onReleaseAll (page_pad.js), and VoxraPage.running and
// .button (page_start.js). Defines VoxraPlay.changed, which the page layer
// (page_layer.js) calls after each committed turn and each new window's
// solved colouring.
(function () {
  "use strict";
  var version = "@PROJECT_VERSION@";
  var canvas = document.getElementById("canvas");
  var running = VoxraPage.running;
  var CUBE_PLUS = 18, CUBE_MINUS = 19, SOLVED_COLOURING = 20, TURN_NAMES = 20;
  var KEPT = "voxra.puzzle", KEPT_MOST = 5000;  // the storage entry, and the most turns it may hold

  function status(name) { return document.querySelector('[data-status="' + name + '"]'); }
  function action(name) { return document.querySelector('[data-action="' + name + '"]'); }

  // -------------------------------------------------------------------------
  // What the game did, as the page counts it.

  var quarters = 0;   // the cube's quarter turns about Y so far, +90 counted up
  var since = [];     // the turns since the puzzle was last solved: what is kept
  var undos = [], redos = [];  // actions: { turns: [{ turn, quarters }], scramble }
  var moves = 0;
  var clock = { before: 0, from: null };  // ms counted earlier; performance.now() it runs from
  var solved = true;

  function elapsed() { return clock.before + (clock.from === null ? 0 : performance.now() - clock.from); }
  function clockText(ms) {
    var tenths = Math.floor(ms / 100), seconds = Math.floor(tenths / 10);
    return Math.floor(seconds / 60) + ":" + String(seconds % 60).padStart(2, "0") + "." + tenths % 10;
  }
  function resetCount() {
    moves = 0;
    clock = { before: 0, from: null };
  }
  var timeShown = status("time");
  function showTime() {  // written only when it changes: the clock runs once a frame
    var text = clockText(elapsed());
    if (timeShown.textContent !== text) timeShown.textContent = text;
  }
  function show() {
    status("moves").textContent = String(moves);
    showTime();
    action("undo").disabled = undos.length === 0;
    action("redo").disabled = redos.length === 0;
  }

  function notice(text) {
    var box = status("solved");
    box.hidden = !text;
    if (text) box.querySelector("[data-text]").textContent = text;
  }

  // -------------------------------------------------------------------------
  // Turns the page makes, one at a time: each chord is held until the game
  // commits its turn (so a turn asked for during another waits for it, and
  // none is lost), then let go at once, before the game could take it again.

  var queue = [];     // { turn, quarters, kind: "drag", "undo" or "redo", last }: turn as of `quarters`
  var pressed = null; // { turn as the game will make it, codes, tries }
  var replaying = null;  // the action an undo or redo is playing, and which
  var MAX_TRIES = 3;

  function chordCodes(turn) {
    var digits = Module._VoxraTurnChord(turn);
    return ["Numpad" + Math.floor(digits / 10), "Numpad" + digits % 10];
  }
  function letGo() {
    if (!pressed) return;
    pressed.codes.forEach(VoxraPad.release);
    pressed.held = false;
  }
  function pressNext() {
    if (!running() || document.hidden || (pressed && pressed.held)) return;
    if (!pressed) {
      if (!queue.length) return;
      var next = queue[0];
      var turn = Module._VoxraTurnAfterCubeTurns(next.turn, quarters - next.quarters);
      pressed = { turn: turn, codes: chordCodes(turn), tries: 0 };
    }
    if (++pressed.tries > MAX_TRIES) {  // other keys held make another chord of it: given up
      var dropped = queue.shift();
      pressed = null;
      if (dropped.kind !== "drag") {  // an undo or redo cut short: the history no longer holds
        queue = queue.filter(function (item) { return item.kind === "drag"; });
        undos = [], redos = [], replaying = null;
        show();
      }
      return;
    }
    pressed.codes.forEach(VoxraPad.press);
    pressed.held = true;
  }
  VoxraPad.onReleaseAll(function () { if (pressed) pressed.held = false; });

  // A committed layer turn: the one asked for, or another (the player's own).
  // Either way the chord held is let go; the one asked for is done.
  function committed(turn) {
    if (!pressed) return null;
    letGo();
    if (turn !== pressed.turn) return null;
    pressed = null;
    return queue.shift();
  }

  function undo() {
    if (!undos.length || replaying || queue.length) return;
    var act = undos.pop();
    replaying = { act: act, kind: "undo" };
    act.turns.slice().reverse().forEach(function (t, n) {
      queue.push({ turn: t.turn ^ 1, quarters: t.quarters, kind: "undo", last: n === act.turns.length - 1 });
    });
    show();
  }
  function redo() {
    if (!redos.length || replaying || queue.length) return;
    var act = redos.pop();
    replaying = { act: act, kind: "redo" };
    act.turns.forEach(function (t, n) {
      queue.push({ turn: t.turn, quarters: t.quarters, kind: "redo", last: n === act.turns.length - 1 });
    });
    show();
  }

  // -------------------------------------------------------------------------
  // The game's word: a committed turn (0..17 a slab, 18 and 19 the cube), or
  // a new window's solved colouring (F1).

  function changed(change, byScramble) {
    if (change === SOLVED_COLOURING) {
      queue = [], letGo(), pressed = null, replaying = null;
      undos = [], redos = [], since = [], solved = true;
      resetCount(), notice(""), show();
      keep();
      return;
    }
    var quiet = byScramble;  // no move counted and no notice: a scramble, made or undone
    if (change === CUBE_PLUS || change === CUBE_MINUS) {
      quarters += change === CUBE_PLUS ? 1 : -1;
      quiet = true;
    } else if (byScramble) {  // the scramble's turns are one action, and leave the count at 0
      var top = undos[undos.length - 1];
      if (!top || !top.open) undos.push({ turns: [], scramble: true, open: true });
      undos[undos.length - 1].turns.push({ turn: change, quarters: quarters });
      redos = [];
      resetCount(), notice("");
    } else {
      closeScramble();
      var asked = committed(change);
      if (!asked || asked.kind === "drag") {  // a new action: the player's chord, the pad or a drag
        undos.push({ turns: [{ turn: change, quarters: quarters }], scramble: false });
        redos = [];
      }
      quiet = replaying !== null && replaying.act.scramble;
      if (!quiet) {
        if (solved) resetCount();  // the first move since it was solved: a new count and time
        moves++;
        if (clock.from === null) clock.from = performance.now();
      }
      if (asked && asked.last && replaying) {
        (replaying.kind === "undo" ? redos : undos).push(replaying.act);
        if (quiet) resetCount();
        replaying = null;
      }
    }
    var wasSolved = solved;
    solved = Module._VoxraSolved() === 1;
    if (solved) {
      since = [];
      if (!wasSolved && !quiet) {
        clock.before = elapsed(), clock.from = null;
        notice("Solved in " + moves + (moves === 1 ? " move, " : " moves, ") + clockText(clock.before));
      }
    } else {
      since.push(change);
      if (change < CUBE_PLUS) notice("");
    }
    if (change < CUBE_PLUS) hideResume();
    keep();
    show();
  }

  // A scramble's action ends with the first turn that is not the scramble's.
  function closeScramble() {
    var top = undos[undos.length - 1];
    if (top && top.open) delete top.open;
  }

  // -------------------------------------------------------------------------
  // The puzzle kept across reloads: the turns since it was last solved, the
  // moves and the time. Never a picture or a colouring: replaying the turns
  // can only make a puzzle the game can reach.

  function keep() {
    if (resumable) return;  // a puzzle kept from an earlier visit stays on offer until a turn
    try {
      if (!since.length || since.length > KEPT_MOST) localStorage.removeItem(KEPT);
      else localStorage.setItem(KEPT, JSON.stringify({ version: version, turns: since, moves: moves, time: elapsed() }));
    } catch (unavailable) {}  // storage off or full: this visit is not kept
  }

  // The kept puzzle, or null (with the reason in the console) when there is
  // none, or it is damaged, of another version or out of range.
  function kept() {
    var text = null;
    try { text = localStorage.getItem(KEPT); } catch (unavailable) { return null; }
    if (text === null) return null;
    var entry = null;
    try { entry = JSON.parse(text); } catch (damaged) {}
    var whole = entry && typeof entry === "object" && Array.isArray(entry.turns);
    var why = !whole ? "damaged" : entry.version !== version ? "of version " + entry.version
        : entry.turns.length > KEPT_MOST ? "too long (" + entry.turns.length + " turns)"
        : !entry.turns.every(function (t) { return Number.isInteger(t) && t >= 0 && t < TURN_NAMES; })
            ? "a turn that does not exist"
        : !Number.isInteger(entry.moves) || entry.moves < 0 || !(entry.time >= 0 && entry.time < 1e10)
            ? "moves or time out of range" : null;
    if (why) {
      console.warn("Voxra: the kept puzzle is ignored: " + why + ".");
      return null;
    }
    return entry;
  }

  var resumable = kept();
  function hideResume() {
    resumable = null;
    action("resume").hidden = true;
  }
  function resume() {
    if (!resumable || !running()) return;
    var made = Module.ccall("VoxraReplay", "number", ["array", "number"],
                            [new Uint8Array(resumable.turns), resumable.turns.length]);
    if (!made) return;  // a turn is running: try again once it is done
    since = since.concat(resumable.turns);  // on top of the cube turns made since the start
    moves = resumable.moves;
    clock = { before: resumable.time, from: null };
    solved = Module._VoxraSolved() === 1;
    hideResume(), keep(), show();
  }
  if (resumable) {
    var button = action("resume");
    button.textContent = "Resume (" + resumable.moves + (resumable.moves === 1 ? " move, " : " moves, ") +
                         clockText(resumable.time) + ")";
    button.hidden = false;
  }

  // -------------------------------------------------------------------------
  // Dragging the picture. From a sticker, once the drag passes a third of a
  // sticker along one of its edges as drawn, the slab it runs along turns
  // the finger's way (one turn a drag); from off the cube, the view spins and
  // tilts as the arrow keys do, while the pointer moves.

  var drag = null;  // { id, x, y, onCube, done, arrows: { code: true }, moved: frame }
  var frame = 0;

  function canvasPoint(event) {
    var box = canvas.getBoundingClientRect();
    return [(event.clientX - box.left) * canvas.width / box.width,
            (event.clientY - box.top) * canvas.height / box.height];
  }
  function holdArrow(code, down) {
    if (!drag || !!drag.arrows[code] === down) return;
    if (down) drag.arrows[code] = true, VoxraPad.press(code);
    else delete drag.arrows[code], VoxraPad.release(code);
  }
  function endDrag() {
    if (!drag) return;
    Object.keys(drag.arrows).forEach(function (code) { holdArrow(code, false); });
    drag = null;
  }
  function dragFrame() {  // a pointer at rest holds no arrow
    frame++;
    if (drag && !drag.onCube && frame - drag.moved > 3) {
      Object.keys(drag.arrows).forEach(function (code) { holdArrow(code, false); });
    }
  }

  canvas.addEventListener("pointerdown", function (event) {
    if (drag || !running() || event.button > 0) return;
    event.preventDefault();
    canvas.setPointerCapture(event.pointerId);
    var at = canvasPoint(event);
    drag = { id: event.pointerId, x: at[0], y: at[1], last: at, onCube: Module._VoxraDragTurn(at[0], at[1], 0, 0) !== -2,
             done: false, arrows: {}, moved: frame };
  });
  canvas.addEventListener("pointermove", function (event) {
    if (!drag || event.pointerId !== drag.id) return;
    var at = canvasPoint(event);
    if (drag.onCube) {
      if (drag.done) return;
      var turn = Module._VoxraDragTurn(drag.x, drag.y, at[0] - drag.x, at[1] - drag.y);
      if (turn >= 0) {
        drag.done = true;
        queue.push({ turn: turn, quarters: quarters, kind: "drag", last: true });
      }
      return;
    }
    var dx = at[0] - drag.last[0], dy = at[1] - drag.last[1], step = 2 * (window.devicePixelRatio || 1);
    if (Math.abs(dx) >= step) holdArrow(dx > 0 ? "ArrowRight" : "ArrowLeft", true), holdArrow(dx > 0 ? "ArrowLeft" : "ArrowRight", false);
    if (Math.abs(dy) >= step) holdArrow(dy > 0 ? "ArrowDown" : "ArrowUp", true), holdArrow(dy > 0 ? "ArrowUp" : "ArrowDown", false);
    if (Math.abs(dx) >= step || Math.abs(dy) >= step) drag.last = at, drag.moved = frame;
  });
  ["pointerup", "pointercancel", "lostpointercapture"].forEach(function (type) {
    canvas.addEventListener(type, function (event) { if (drag && event.pointerId === drag.id) endDrag(); });
  });
  VoxraPad.onReleaseAll(endDrag);

  // -------------------------------------------------------------------------
  // The buttons, and Ctrl+Z / Ctrl+Shift+Z (Cmd on macOS).

  VoxraPage.button("undo", undo);
  VoxraPage.button("redo", redo);
  VoxraPage.button("resume", resume);
  VoxraPage.button("solved-close", function () { notice(""); });
  window.addEventListener("keydown", function (event) {
    if (!(event.ctrlKey || event.metaKey) || event.altKey || event.key.toLowerCase() !== "z") return;
    event.preventDefault();
    if (event.shiftKey) redo();
    else undo();
  });

  // Once a frame: the next turn pressed, a resting drag's arrows let go, the
  // running clock shown.
  (function tick() {
    pressNext();
    dragFrame();
    if (clock.from !== null) showTime();
    requestAnimationFrame(tick);
  })();

  show();
  window.VoxraPlay = { changed: changed };
})();
