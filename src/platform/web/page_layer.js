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

  // The GL emulation set up on the canvas's WebGL context, the one the page
  // made as it started (page_start.js: Module.preinitializedWebGLContext), at
  // the stage's size, and the one context for every window; 0 when the page
  // could make none (WebGL turned off or unsupported). The canvas keeps its
  // size: a window's own size is only its viewport's until the stage's is
  // taken, before anything is drawn, and changing a canvas's size costs as
  // much as a frame or two. The browser's taking the context away and giving
  // it back are passed on to the game (VoxraContextChanged).
  CreatePageContext: function() {
    var canvas = Module["canvas"];
    if (GLctx) return 1;
    if (!Module["preinitializedWebGLContext"]) return 0;
    GL.makeContextCurrent(GL.createContext(canvas, {majorVersion : 1}));
    Module.useWebGL = true;
    Browser.moduleContextCreatedCallbacks.forEach(function(callback) { callback(); });
    canvas.addEventListener("webglcontextlost", function(event) {
      event.preventDefault();  // which tells the browser that the page can take it back
      Module["_VoxraContextChanged"](0);
    });
    canvas.addEventListener("webglcontextrestored", function() { Module["_VoxraContextChanged"](1); });
    if (GLctx.isContextLost()) Module["_VoxraContextChanged"](0);  // lost before anyone listened
    return 1;
  },

  // Emscripten's Browser object comes with the GL emulation, which needs only
  // its list of what to run once a context is made (its own set-up). The rest
  // (a main loop, fullscreen, pointer lock, preload plugins: a tenth of
  // voxra.js) is for programs that leave the page to Emscripten; this one makes
  // its context itself, above.
  $Browser__deps: [],
  $Browser__postset: "",
  $Browser: {moduleContextCreatedCallbacks : [], mainLoop : {}},

  // Adapts the new context to the game. WebGL knows texture formats only by
  // name, where OpenGL 1.1 also takes the number of components (1 to 4; the
  // game uploads with 3), so the numbers are named on the way in. And where
  // OpenGL draws a face bound to texture 0 (a Data file that could not be
  // loaded) untextured, in its plain white, WebGL samples black: texture 0 is
  // given one white texel (GLctx.white, remade with the context).
  AdaptPageContext__deps: [ "$makeWhiteTexture" ],
  AdaptPageContext: function() {
    if (GLctx.texImage2D.adapted) return;
    var bind = GLctx.bindTexture;
    GLctx.bindTexture = function(target, texture) {
      return bind.call(GLctx, target, texture || (target == GLctx.TEXTURE_2D ? GLctx.white : null));
    };
    var named = [ 0, GLctx.LUMINANCE, GLctx.LUMINANCE_ALPHA, GLctx.RGB, GLctx.RGBA ];
    var upload = GLctx.texImage2D;
    GLctx.texImage2D = function(target, level, format) {
      var args = Array.prototype.slice.call(arguments);
      if (args.length == 9 && format >= 1 && format <= 4) args[2] = named[format];
      return upload.apply(GLctx, args);
    };
    GLctx.texImage2D.adapted = true;
    makeWhiteTexture();
  },

  $makeWhiteTexture: function() {
    GLctx.white = GLctx.createTexture();
    GLctx.bindTexture(GLctx.TEXTURE_2D, GLctx.white);
    GLctx.texImage2D(GLctx.TEXTURE_2D, 0, GLctx.RGB, 1, 1, 0, GLctx.RGB, GLctx.UNSIGNED_BYTE,
                     new Uint8Array([ 255, 255, 255 ]));
  },

  // Makes anew, in a context given back empty, what the GL emulation and the
  // adaptation above keep in it: the emulation's temporary vertex and index
  // buffers (the quads' index buffer among them), the shader programs of the
  // renderers it has cached and what it remembers having bound, and the white
  // texture. The game's own textures and state follow (RestoreGl); the names
  // the lost textures had are forgotten. What the emulation keeps outside the
  // context (matrices, lights, texture environment) is still good.
  RemakePageContext__deps: [ "$makeWhiteTexture" ],  // and GL, GLImmediate: there with the GL functions
  RemakePageContext: function() {
    GL.generateTempBuffers(true, GL.currentContext);
    GLImmediate.rendererCache = GLImmediate.MapTreeLib.create();
    GLImmediate.currentRenderer = GLImmediate.lastRenderer = null;
    GLImmediate.lastArrayBuffer = GLImmediate.lastProgram = null;
    GLImmediate.lastStride = -1;
    GLImmediate.fixedFunctionProgram = 0;
    GL.textures.fill(null);
    makeWhiteTexture();
  },

  // While the context is away, the page says so in place of the picture
  // (shown != 0), until it is back.
  ShowLostContextNote: function(shown) {
    var note = document.getElementById("note");
    Module["canvas"].style.display = shown ? "none" : "block";
    note.textContent = "The browser has taken WebGL away from this page and not given it back. " +
                       "The puzzle is kept and shows again once WebGL is back; reload the page to start anew.";
    note.style.display = shown ? "" : "none";
  },

  // The page's modal dialogs carry no caption of their own (the browser puts
  // the site there), so the caption leads the text. 1 for OK or Yes. A dialog
  // takes the keyboard, and every key-up made while it is open, without a
  // blur: the page sends its own as the dialog closes, so the game and the pad
  // let go of everything held, as on any focus loss.
  ShowPageDialog: function(text, caption, yesNo) {
    var message = UTF8ToString(caption) + "\n\n" + UTF8ToString(text);
    var agreed = yesNo ? confirm(message) : (alert(message), true);
    window.dispatchEvent(new FocusEvent("blur"));
    return agreed ? 1 : 0;
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
  // fills (VoxraPage.fitCanvas, page_start.js), and writes its size in device
  // pixels to size[0], size[1].
  FitCanvasToStage: function(size) {
    var fitted = VoxraPage.fitCanvas();
    HEAP32[size >> 2] = fitted[0];
    HEAP32[(size >> 2) + 1] = fitted[1];
  },

  // Milliseconds of the wall clock, wrapped to 32 bits like GetTickCount: the
  // scramble's seed differs from one page load to the next.
  WallClockMs: function() { return Date.now() >>> 0; },
});
