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
// page puts its copies of the game's files (named by the hash) into the
// build's cache before it registers this worker, and the others (the page,
// its manifest and icons) are asked for again only if changed (a
// revalidation, answered "304 Not Modified" where the browser keeps an HTTP
// cache).
"use strict";

var BUILD = "@VOXRA_BUILD@";
var CACHE = "voxra-" + BUILD;
var FILES = @VOXRA_KEPT@;  // as asked for: the page, then the game's files by the hash, then the rest
var NETWORK_WAIT_MS = 4000;  // for the page, before the cached one is taken

self.addEventListener("install", function(event) {
  event.waitUntil(caches.open(CACHE)
                      .then(function(cache) {
                        return Promise.all(FILES.map(function(name) {
                          return cache.match(name).then(function(found) {
                            return found || cache.add(new Request(name, {cache : "no-cache"}));
                          });
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
