// The on-screen pad, for touch, pen and mouse: its keys hold the game's keys
// through VoxraPadKey, as the keyboard's would; shown at first where the main
// pointer is coarse, behind the Pad button elsewhere.
//
// Calls the game's VoxraPadKey and VoxraPage.running and VoxraPage.button
// (page_start.js).
(function () {
  "use strict";
  var pad = document.getElementById("pad");
  var running = VoxraPage.running;

  // Each key holds the key of the keyboard its data-key names
  // (KeyboardEvent.code). A keypad key is held while a pointer rests on it, so a
  // second finger on another one makes a chord held as long as both rest,
  // as on a keyboard. A pointer that lands on one keypad key and lifts on
  // another holds the two together for PULSE frames, long enough for the
  // game to take the turn and short of the turn's 16 frames, so a drag is one
  // turn; keys crossed on the way are not pressed. A drag's chord starts at
  // least SPACING frames after the previous one, when that turn is done, so
  // quick drags are not lost to a turn still running; S tapped meanwhile
  // waits for it too. An arrow is held while its pointer rests on it; S and
  // F1 act on a tap (lifted where it landed), F1 then inside the tap's user
  // activation, as fullscreen needs.

  var PULSE = 4;
  var SPACING = 17;
  var held = {};      // code -> how many pointers and pulses hold it
  var pointers = {};  // pointerId -> { code, kind: "digit", "arrow", "tap" or "gone" }
  var jobs = [];      // { at: frame, run }
  var frame = 0;
  var nextChord = 0;

  function keyOf(code) { return pad.querySelector('[data-key="' + code + '"]'); }
  function keyAt(x, y) {
    var element = document.elementFromPoint(x, y);
    element = element && element.closest("#pad [data-key]");
    return element ? element.dataset.key : null;
  }
  function kindOf(code) { return /^Numpad/.test(code) ? "digit" : /^Arrow/.test(code) ? "arrow" : "tap"; }

  function send(code, down) {
    if (running()) Module.ccall("VoxraPadKey", null, ["string", "number"], [code, down ? 1 : 0]);
  }
  function press(code) {
    if (!held[code]) {
      held[code] = 0;
      send(code, true);
      keyOf(code).classList.add("down");
    }
    held[code]++;
  }
  function release(code) {
    if (!held[code]) return;
    if (--held[code] > 0) return;
    delete held[code];
    send(code, false);
    keyOf(code).classList.remove("down");
  }
  function after(frames, run) { jobs.push({ at: frame + frames, run: run }); }
  (function tick() {
    frame++;
    var due = jobs.filter(function (job) { return job.at <= frame; });
    jobs = jobs.filter(function (job) { return job.at > frame; });
    due.forEach(function (job) { job.run(); });
    requestAnimationFrame(tick);
  })();

  function aim(code) {
    var aimed = pad.querySelector(".aim");
    if (aimed && aimed.dataset.key !== code) aimed.classList.remove("aim");
    if (code) keyOf(code).classList.add("aim");
  }

  // Everything held let go: pointers, pulses waiting and pulses running, and
  // what the page's play holds (told through VoxraPad.onReleaseAll).
  var releaseListeners = [];
  function releaseAll() {
    releaseListeners.forEach(function (listener) { listener(); });
    jobs = [];
    pointers = {};
    aim(null);
    pad.querySelectorAll(".down").forEach(function (key) { key.classList.remove("down"); });
    Object.keys(held).forEach(function (code) { held[code] = 1; release(code); });
  }

  // What a pointer held, let go without acting (a cancelled or lost pointer).
  function drop(id) {
    var pointer = pointers[id];
    if (!pointer) return;
    delete pointers[id];
    aim(null);
    if (pointer.kind === "digit" || pointer.kind === "arrow") release(pointer.code);
    if (pointer.kind === "tap") keyOf(pointer.code).classList.remove("down");
  }

  pad.addEventListener("pointerdown", function (event) {
    var code = keyAt(event.clientX, event.clientY);
    if (!code) return;
    event.preventDefault();  // no focus moved, no text selected, no mouse events after a touch
    pad.setPointerCapture(event.pointerId);  // its moves and lift come here wherever they are
    drop(event.pointerId);
    var kind = kindOf(code);
    pointers[event.pointerId] = { code: code, kind: kind };
    if (kind === "tap") keyOf(code).classList.add("down");
    else press(code);
  });

  pad.addEventListener("pointermove", function (event) {
    var pointer = pointers[event.pointerId];
    if (!pointer) return;
    var code = keyAt(event.clientX, event.clientY);
    if (pointer.kind === "digit") {
      aim(code && code !== pointer.code && kindOf(code) === "digit" ? code : null);
    } else if (code !== pointer.code && pointer.kind !== "gone") {
      drop(event.pointerId);  // left an arrow, or slid off S or F1
      pointers[event.pointerId] = { code: pointer.code, kind: "gone" };
    }
  });

  pad.addEventListener("pointerup", function (event) {
    var pointer = pointers[event.pointerId];
    if (!pointer) return;
    var code = keyAt(event.clientX, event.clientY);
    if (pointer.kind === "digit" && code && code !== pointer.code && kindOf(code) === "digit") {
      delete pointers[event.pointerId];  // the pulse takes over the first key
      aim(null);
      var start = Math.max(frame, nextChord);
      nextChord = start + SPACING;
      var chord = function () {
        press(code);
        after(PULSE, function () {
          release(code);
          release(pointer.code);
        });
      };
      if (start > frame) after(start - frame, chord);
      else chord();
    } else if (pointer.kind === "tap" && code === pointer.code) {
      drop(event.pointerId);
      var tap = function () {
        press(code);
        after(PULSE, function () { release(code); });
      };
      if (code === "KeyS" && nextChord > frame) after(nextChord - frame, tap);  // after the drag's turn
      else tap();
    } else {
      drop(event.pointerId);
    }
  });

  pad.addEventListener("pointercancel", function (event) { drop(event.pointerId); });
  pad.addEventListener("lostpointercapture", function (event) { drop(event.pointerId); });
  pad.addEventListener("contextmenu", function (event) { event.preventDefault(); });
  document.addEventListener("visibilitychange", function () { if (document.hidden) releaseAll(); });
  window.addEventListener("pagehide", releaseAll);
  window.addEventListener("blur", releaseAll);

  // Shown at first where the main pointer is coarse (a finger), behind the
  // Pad button elsewhere.
  var padToggle = document.getElementById("pad-toggle");
  function showPad(shown) {
    if (!shown) releaseAll();
    pad.hidden = !shown;
    padToggle.setAttribute("aria-pressed", String(shown));
  }
  showPad(matchMedia("(pointer: coarse)").matches);

  VoxraPage.button("pad-toggle", function () { showPad(pad.hidden); });

  // For the page's play (page_play.js): its chords held through the pad's
  // keys, so that a finger and the play holding one key do not release each
  // other, and a word when everything is let go.
  window.VoxraPad = {
    press: press,
    release: release,
    onReleaseAll: function (listener) { releaseListeners.push(listener); },
  };
})();
