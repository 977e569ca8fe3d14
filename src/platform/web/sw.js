// The page's service worker: keeps the page's files so that it plays without
// a network after its first visit.
//
// Each version has its own cache, filled whole when the worker installs, and
// the page asks for its three big files by version (voxra.js?v=...), so one
// version's files are never mixed with another's. The page itself comes from
// the network while there is one, so a new version is played on the next
// visit (its files are not in the old cache and come from the network); once
// its worker takes over, the old version's cache is deleted. Offline, all of
// it comes from the cache.
"use strict";

var VERSION = "@PROJECT_VERSION@";
var CACHE = "voxra-" + VERSION;
var FILES = [ "./", "index.html", "manifest.webmanifest", "icon-192.png", "icon-512.png",
              "voxra.js?v=" + VERSION, "voxra.wasm?v=" + VERSION, "voxra.data?v=" + VERSION ];
var NETWORK_WAIT_MS = 4000;  // for the page, before the cached one is taken

self.addEventListener("install", function(event) {
  event.waitUntil(caches.open(CACHE)
                      .then(function(cache) {
                        return cache.addAll(FILES.map(function(name) {
                          return new Request(name, {cache : "reload"});
                        }));
                      })
                      .then(function() { return self.skipWaiting(); }));
});

self.addEventListener("activate", function(event) {
  event.waitUntil(caches.keys()
                      .then(function(names) {
                        return Promise.all(names.filter(function(name) {
                          return name.indexOf("voxra-") == 0 && name != CACHE;
                        }).map(function(name) { return caches.delete(name); }));
                      })
                      .then(function() { return self.clients.claim(); }));
});

// The network's answer, or a rejection once it fails or takes too long.
function fromNetwork(request) {
  return new Promise(function(resolve, reject) {
    var timer = setTimeout(reject, NETWORK_WAIT_MS);
    fetch(request).then(function(response) {
      clearTimeout(timer);
      if (response.ok) resolve(response);
      else reject(response);
    }, function(failure) {
      clearTimeout(timer);
      reject(failure);
    });
  });
}

function fromCache(request) {
  return caches.open(CACHE).then(function(cache) {
    return cache.match(request, {ignoreSearch : request.mode == "navigate"}).then(function(found) {
      return found || (request.mode == "navigate" ? cache.match("./") : undefined);
    });
  });
}

self.addEventListener("fetch", function(event) {
  var request = event.request;
  if (request.method != "GET" || new URL(request.url).origin != self.location.origin) return;
  if (request.mode == "navigate") {
    event.respondWith(fromNetwork(request).catch(function(answer) {
      return fromCache(request).then(function(found) {
        return found || (answer instanceof Response ? answer : Response.error());
      });
    }));
  } else {
    event.respondWith(fromCache(request).then(function(found) { return found || fetch(request); }));
  }
});
