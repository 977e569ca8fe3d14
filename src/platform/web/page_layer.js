// The page layer's JavaScript side (linked with --js-library): the canvas,
// its context, the page's dialogs and what the page shows around the game.
// Declared for the C++ side in platform_web.cpp; the two that wait for the
// browser are there as EM_ASYNC_JS.

mergeInto(LibraryManager.library, {
  // The windowed page again: the cursor shown, the keyboard unlocked, and
  // fullscreen left if the page still has it (after the browser left it on its
  // own, nothing is left to exit).
  LeavePageFullscreen: function() {
    Module["canvas"].style.cursor = "";
    if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
    if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
  },

  // Shows the canvas under the window's title (the page's title and its
  // header), or hides it. Its size is the stage's (FitCanvasToStage).
  ShowCanvas: function(title, shown) {
    var canvas = Module["canvas"];
    if (shown) {
      document.title = UTF8ToString(title);
      var header = document.getElementById("title");
      if (header) header.textContent = document.title;
    }
    canvas.style.display = shown ? "block" : "none";
    var note = document.getElementById("note");  // "Loading", until the first window
    if (note && shown) note.style.display = "none";
    if (shown) canvas.focus();
  },

  // True when the canvas has a WebGL context. Emscripten's SDL_SetVideoMode
  // returns a surface even when the browser gave it none (WebGL turned off or
  // unsupported), and the GL emulation would then throw on its first call.
  PageHasGlContext: function() {
    return typeof GLctx != "undefined" && GLctx && !GLctx.isContextLost() ? 1 : 0;
  },

  // Adapts the new context to the game. SDL_SetVideoMode hands the canvas's
  // mouse and touch events to SDL's own queue, which nothing here reads, so
  // they are taken back. WebGL knows texture formats only by name, where
  // OpenGL 1.1 also takes the number of components (1 to 4; the game uploads
  // with 3), so the numbers are named on the way in. And where OpenGL draws a
  // face bound to texture 0 (a Data file that could not be loaded) untextured,
  // in its plain white, WebGL samples black: texture 0 is given one white texel.
  AdaptPageContext: function() {
    [ "touchstart", "touchend", "touchmove", "mousedown", "mouseup", "mousemove",
      "DOMMouseScroll", "mousewheel", "wheel", "mouseout" ]
        .forEach(function(type) { Module["canvas"].removeEventListener(type, SDL.receiveEvent, true); });
    if (GLctx.texImage2D.adapted) return;
    var white = GLctx.createTexture();
    GLctx.bindTexture(GLctx.TEXTURE_2D, white);
    GLctx.texImage2D(GLctx.TEXTURE_2D, 0, GLctx.RGB, 1, 1, 0, GLctx.RGB, GLctx.UNSIGNED_BYTE,
                     new Uint8Array([ 255, 255, 255 ]));
    var bind = GLctx.bindTexture;
    GLctx.bindTexture = function(target, texture) {
      return bind.call(GLctx, target, texture || (target == GLctx.TEXTURE_2D ? white : null));
    };
    var named = [ 0, GLctx.LUMINANCE, GLctx.LUMINANCE_ALPHA, GLctx.RGB, GLctx.RGBA ];
    var upload = GLctx.texImage2D;
    GLctx.texImage2D = function(target, level, format) {
      var args = Array.prototype.slice.call(arguments);
      if (args.length == 9 && format >= 1 && format <= 4) args[2] = named[format];
      return upload.apply(GLctx, args);
    };
    GLctx.texImage2D.adapted = true;
  },

  // The page's modal dialogs carry no caption of their own (the browser puts
  // the site there), so the caption leads the text. 1 for OK or Yes.
  ShowPageDialog: function(text, caption, yesNo) {
    var message = UTF8ToString(caption) + "\n\n" + UTF8ToString(text);
    if (yesNo) return confirm(message) ? 1 : 0;
    alert(message);
    return 1;
  },

  // The still page left when the game ends: the canvas goes, a line says so;
  // after a failed start it says why (the failure's message, and what the
  // page knows of its cause).
  ShowEndedPage: function(exitCode, reason, detail) {
    Module["canvas"].style.display = "none";
    document.title = "Voxra";
    var note = document.getElementById("note");
    if (!note) {
      note = document.createElement("p");
      note.id = "note";
      document.body.appendChild(note);
    }
    var why = UTF8ToString(reason);
    var more = UTF8ToString(detail);
    note.textContent = exitCode != 0 && why
        ? "Voxra stopped: " + why + (more ? " " + more : "") + " Reload the page to try again."
        : "The game has ended. Reload the page to play again.";
    note.style.display = "";
    document.body.setAttribute("data-exit-code", String(exitCode));
  },

  // Sizes the canvas to the stage, the part of the page the game's window
  // fills, and writes its size in device pixels to size[0], size[1]. The canvas
  // takes the stage's whole width in whole device pixels, so stickers are drawn
  // at the screen's own resolution. Its height is the stage's, but never more
  // than width / 0.7: the puzzle sits right of and above the line of sight, and
  // at a narrower aspect its right side leaves the picture at some spins. Left
  // over height is shared above and below.
  FitCanvasToStage: function(size) {
    var canvas = Module["canvas"];
    var stage = document.getElementById("stage") || canvas.parentNode;
    var ratio = window.devicePixelRatio || 1;
    var box = stage.getBoundingClientRect();
    var width = Math.max(1, Math.floor(box.width * ratio));
    var height = Math.max(1, Math.min(Math.floor(box.height * ratio), Math.floor(width / 0.7)));
    if (canvas.width != width) canvas.width = width;
    if (canvas.height != height) canvas.height = height;
    canvas.style.width = width / ratio + "px";
    canvas.style.height = height / ratio + "px";
    canvas.style.top = Math.max(0, (box.height - height / ratio) / 2) + "px";
    HEAP32[size >> 2] = width;
    HEAP32[(size >> 2) + 1] = height;
  },

  // A committed turn, or a new window's solved colouring, told to the page's
  // play (page_play.js) when there is one.
  TellPagePuzzleChanged: function(change, byScramble) {
    if (window.VoxraPlay) window.VoxraPlay.changed(change, byScramble != 0);
  },

  // Milliseconds of the wall clock, wrapped to 32 bits like GetTickCount: the
  // scramble's seed differs from one page load to the next.
  WallClockMs: function() { return Date.now() >>> 0; },
});
