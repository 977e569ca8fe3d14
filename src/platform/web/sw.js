// The page's service worker: keeps the page's files so that it plays without
// a network after its first visit.
//
// Each build has its own cache, named by a hash of the page's files (stamped
// in as the site is put together), and the page asks for its three big files
// by that hash (voxra.js?v=...), so one build's files are never mixed with
// another's, and a rebuild of the same version is a new build. The page itself
// comes from the network while there is one, so a new build is played on the
// next visit (its files are not in the old cache and come from the network),
// and this file changes with it, so the browser installs its worker; once that
// worker takes over, the old build's cache is deleted. Offline, all of it comes
// from the cache.
//
// Filling the cache downloads nothing the visit has already downloaded: the
// files named by the hash are taken from the browser's HTTP cache where they
// are (any copy under that name is this build's), the others are asked for
// again only if changed (a revalidation, answered "304 Not Modified").
"use strict";

var BUILD = "@VOXRA_BUILD@";
var CACHE = "voxra-" + BUILD;
var BUILT = [ "voxra.js", "voxra.wasm", "voxra.data" ];
var OTHERS = [ "./", "manifest.webmanifest", "icon-192.png", "icon-512.png" ];
var NETWORK_WAIT_MS = 4000;  // for the page, before the cached one is taken

self.addEventListener("install", function(event) {
  var requests = BUILT.map(function(name) {
    return new Request(name + "?v=" + BUILD, {cache : "force-cache"});
  }).concat(OTHERS.map(function(name) { return new Request(name, {cache : "no-cache"}); }));
  event.waitUntil(caches.open(CACHE)
                      .then(function(cache) { return cache.addAll(requests); })
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

// The network's answer, or a rejection once it fails or takes too long. Past
// the browser's HTTP cache, which may keep a page it thinks fresh (one that
// came with no word on how long to keep it): a revalidation, so a new build's
// page is never missed.
function fromNetwork(request) {
  return new Promise(function(resolve, reject) {
    var timer = setTimeout(reject, NETWORK_WAIT_MS);
    fetch(request, {cache : "no-cache"}).then(function(response) {
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
