// The page's start-up: loads the game's files itself (so one that cannot be
// had is named on the page instead of leaving "Loading" up), makes the
// canvas's WebGL context and starts voxra.js with them; registers the service
// worker; tells the game when the stage, the canvas's place, changes size;
// shows or hides the legend.
//
// Calls only the game's exports (Module._VoxraStageChanged) and the page's
// elements. Defines VoxraPage.running and VoxraPage.button for the page's
// other scripts, and VoxraPage.fitCanvas for the game's (page_layer.js).
(function () {
  "use strict";
  var build = "@VOXRA_BUILD@";  // a hash of the page's files, stamped into the page as the site is put together
  var canvas = document.getElementById("canvas");
  var note = document.getElementById("note");
  var stage = document.getElementById("stage");
  var legend = document.getElementById("legend");
  var stopped = false;

  // The first reason the page cannot go on is the one it shows.
  function stop(text) {
    if (stopped) return;
    stopped = true;
    canvas.style.display = "none";
    note.textContent = text;
    note.style.display = "";
    document.body.classList.add("ended");
  }

  function unloadable(failure) {
    stop("Voxra stopped: " + failure.name + " could not be loaded (" + failure.why +
         "). Reload the page to try again.");
  }

  function offline() { return navigator.onLine === false ? "offline" : "no connection to the site"; }

  // A file of this build, as the response to a request for it, or a
  // rejection {name, why}. A copy goes into the build's cache, which the
  // service worker keeps for play without a network (sw.js), so that it need
  // not download the file again: not every engine gives the worker what the
  // page has just downloaded.
  var kept = window.caches ? caches.open("voxra-" + build) : Promise.reject();
  var copies = [];
  function fetchFile(name) {
    return VoxraFiles[name].then(function (response) {
      if (!response.ok) throw { name: name, why: (response.status + " " + response.statusText).trim() };
      var copy = response.clone();
      copies.push(kept.then(function (cache) { return cache.put(name + "?v=" + build, copy); }));
      return response;
    }, function () { throw { name: name, why: offline() }; });
  }

  function bytesOf(name, response) {
    return response.arrayBuffer().catch(function () { throw { name: name, why: "cut off" }; });
  }

  // The game's code is compiled as it comes in (where the server says it is
  // application/wasm; from its bytes otherwise), the Data files' package comes
  // beside it, and voxra.js (preloaded) runs meanwhile; the game starts once
  // both files are in. The canvas's WebGL context is made as the code starts
  // to come in, so that the slowest step of a start (the browser readies its
  // GPU side for a page's first context, holding up the page meanwhile) runs
  // beside the download and the compiling, which go on without the page.
  var compiled = fetchFile("voxra.wasm").then(function (response) {
    var streamed = /^application\/wasm\b/.test(response.headers.get("Content-Type") || "");
    var code = streamed ? WebAssembly.compileStreaming(response) : bytesOf("voxra.wasm", response).then(
        function (bytes) { return WebAssembly.compile(bytes); });
    fitCanvas();  // so that the context is made at the size the first window takes
    Module.preinitializedWebGLContext = canvas.getContext("webgl", { alpha: false, antialias: false,
                                                                     depth: true, stencil: false });
    return code.catch(function (failure) {
      throw failure instanceof WebAssembly.CompileError ? { name: "voxra.wasm", why: "damaged or incomplete" }
          : failure && failure.why ? failure : { name: "voxra.wasm", why: "cut off" };
    });
  });
  var data = fetchFile("voxra.data").then(function (response) { return bytesOf("voxra.data", response); });
  var packaged;  // the package copied to where voxra.js reads it, once it is in
  compiled.catch(unloadable);
  data.catch(unloadable);

  window.Module = Object.assign(window.Module || {}, {  // whatever a test set up before is kept
    canvas: canvas,
    onAbort: function (what) { stop("Voxra stopped: " + what); },
    // Asked for as voxra.js starts, read as the game starts: handed over empty
    // and filled as it comes, checked against the size voxra.js was built with.
    getPreloadedPackage: function (name, size) {
      var bytes = new ArrayBuffer(size);
      packaged = data.then(function (arrived) {
        if (arrived.byteLength !== size) {
          throw { name: "voxra.data", why: "incomplete: " + arrived.byteLength + " of " + size + " bytes" };
        }
        new Uint8Array(bytes).set(new Uint8Array(arrived));
      });
      packaged.catch(unloadable);
      return bytes;
    },
    instantiateWasm: function (imports, receive) {
      Promise.all([compiled, packaged]).then(function (both) {
        return WebAssembly.instantiate(both[0], imports).then(function (instance) {
          receive(instance, both[0]);
        }, function () {
          unloadable({ name: "voxra.wasm", why: "damaged or incomplete" });
        });
      }, function () {})  // shown already
          .catch(function (failure) { stop("Voxra stopped: " + failure); });
      return {};
    },
  });

  // voxra.js comes as the others do, and runs from its bytes.
  var started = fetchFile("voxra.js").then(function (response) {
    return response.blob().catch(function () { throw { name: "voxra.js", why: "cut off" }; });
  }).then(function (code) {
    return new Promise(function (ran, failed) {
      var script = document.createElement("script");
      script.src = URL.createObjectURL(new Blob([code], { type: "text/javascript" }));
      script.onload = function () {
        if (typeof Module.run === "function") ran();
        else failed({ name: "voxra.js", why: "damaged" });
      };
      script.onerror = function () { failed({ name: "voxra.js", why: "damaged" }); };
      document.body.appendChild(script);
    });
  });
  started.catch(unloadable);

  // The service worker, once the page's files are in and copied: it keeps
  // them, and the page and its icons (sw.js).
  if ("serviceWorker" in navigator) {
    Promise.all([compiled, data, started]).then(function () { return Promise.all(copies); }).catch(function () {})
        .then(function () { return navigator.serviceWorker.register("sw.js"); })
        .catch(function () {});  // the page plays without it
  }

  function running() { return Module.calledRun && !stopped && !document.body.hasAttribute("data-exit-code"); }

  // -------------------------------------------------------------------------
  // The stage's size: the game reads it when told it may have changed.

  // Sizes the canvas to the stage and returns its size in device pixels. The
  // canvas takes the stage's whole width in whole device pixels, so stickers
  // are drawn at the screen's own resolution. Its height is the stage's, but
  // never more than width / 0.7: the puzzle sits right of and above the line of
  // sight, and at a narrower aspect its right side leaves the picture at some
  // spins. Left over height is shared above and below.
  function fitCanvas() {
    var ratio = window.devicePixelRatio || 1;
    var box = stage.getBoundingClientRect();
    var width = Math.max(1, Math.floor(box.width * ratio));
    var height = Math.max(1, Math.min(Math.floor(box.height * ratio), Math.floor(width / 0.7)));
    if (canvas.width != width) canvas.width = width;
    if (canvas.height != height) canvas.height = height;
    canvas.style.width = width / ratio + "px";
    canvas.style.height = height / ratio + "px";
    canvas.style.top = Math.max(0, (box.height - height / ratio) / 2) + "px";
    return [width, height];
  }

  function stageChanged() { if (running()) Module._VoxraStageChanged(); }
  new ResizeObserver(stageChanged).observe(stage);
  (function watchPixelRatio() {  // another screen, or the page zoomed
    matchMedia("(resolution: " + window.devicePixelRatio + "dppx)").onchange = function () {
      this.onchange = null;
      stageChanged();
      watchPixelRatio();
    };
  })();

  // -------------------------------------------------------------------------
  // The legend, shown until hidden, and hidden on later visits once hidden.

  var legendToggle = document.getElementById("legend-toggle");
  function showLegend(shown, remember) {
    legend.hidden = !shown;
    legendToggle.setAttribute("aria-pressed", String(shown));
    if (!remember) return;
    try {
      if (shown) localStorage.removeItem("voxra.legend");
      else localStorage.setItem("voxra.legend", "hidden");
    } catch (unavailable) {}  // storage off: hidden for this visit only
  }
  var legendHidden = false;
  try { legendHidden = localStorage.getItem("voxra.legend") === "hidden"; } catch (unavailable) {}
  showLegend(!legendHidden, false);

  // The header's buttons give the focus back, so Space or Enter do not press
  // them again and the keys stay the game's.
  function button(id, act) {
    document.getElementById(id).addEventListener("click", function () {
      act();
      this.blur();
      if (canvas.style.display === "block") canvas.focus();
    });
  }
  button("legend-toggle", function () { showLegend(legend.hidden, true); });
  button("legend-hide", function () { showLegend(false, true); });

  window.VoxraPage = { running: running, button: button, fitCanvas: fitCanvas };
})();
