// The page's start-up: loads the game's files itself (so one that cannot be
// had is named on the page instead of leaving "Loading" up) and starts
// voxra.js with them; registers the service worker; tells the game when the
// stage, the canvas's place, changes size; shows or hides the legend.
//
// Calls only the game's exports (Module._VoxraStageChanged) and the page's
// elements. Defines VoxraPage.running and VoxraPage.button for the page's
// other scripts.
(function () {
  "use strict";
  var version = "@PROJECT_VERSION@";
  var canvas = document.getElementById("canvas");
  var note = document.getElementById("note");
  var stage = document.getElementById("stage");
  var legend = document.getElementById("legend");
  var stopped = false;

  // that cannot be had is named on the page instead of leaving "Loading" up;
  // voxra.js runs once both are in and takes them from Module.

  // The first reason the page cannot go on is the one it shows.
  function stop(text) {
    if (stopped) return;
    stopped = true;
    canvas.style.display = "none";
    note.textContent = text;
    note.style.display = "";
    document.body.classList.add("ended");
  }

  function unloadable(name, why) {
    stop("Voxra stopped: " + name + " could not be loaded (" + why + "). Reload the page to try again.");
  }

  function offline() { return navigator.onLine === false ? "offline" : "no connection to the site"; }

  // A file of this version as bytes, or a rejection {name, why}.
  function fetchFile(name) {
    return fetch(name + "?v=" + version).then(function (response) {
      if (!response.ok) throw { name: name, why: (response.status + " " + response.statusText).trim() };
      return response.arrayBuffer().catch(function () { throw { name: name, why: "cut off" }; });
    }, function () { throw { name: name, why: offline() }; });
  }

  var files = {};
  window.Module = Object.assign(window.Module || {}, {  // whatever a test set up before is kept
    canvas: canvas,
    onAbort: function (what) { stop("Voxra stopped: " + what); },
    // The Data files' package, checked against the size voxra.js was built with.
    getPreloadedPackage: function (name, size) {
      if (files.data.byteLength !== size) {
        Module.noInitialRun = true;
        unloadable("voxra.data", "incomplete: " + files.data.byteLength + " of " + size + " bytes");
      }
      return files.data;
    },
    instantiateWasm: function (imports, receive) {
      WebAssembly.instantiate(files.wasm, imports).then(function (made) {
        receive(made.instance);
      }, function () {
        unloadable("voxra.wasm", "damaged or incomplete");
      }).catch(function (failure) { stop("Voxra stopped: " + failure); });
      return {};
    },
  });

  Promise.all([fetchFile("voxra.data"), fetchFile("voxra.wasm")]).then(function (bytes) {
    files.data = bytes[0];
    files.wasm = bytes[1];
    var script = document.createElement("script");
    script.src = "voxra.js?v=" + version;
    script.onload = function () {
      if (typeof Module.run !== "function") unloadable("voxra.js", "damaged");
    };
    script.onerror = function () { unloadable("voxra.js", "not found, or " + offline()); };
    document.body.appendChild(script);
  }, function (failed) { unloadable(failed.name, failed.why); });

  if ("serviceWorker" in navigator) {
    window.addEventListener("load", function () {
      navigator.serviceWorker.register("sw.js").catch(function () {});  // the page plays without it
    });
  }

  function running() { return Module.calledRun && !stopped && !document.body.hasAttribute("data-exit-code"); }

  // -------------------------------------------------------------------------
  // The stage's size: the game reads it when told it may have changed.

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

  window.VoxraPage = { running: running, button: button };
})();
