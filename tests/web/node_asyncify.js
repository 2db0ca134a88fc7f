// SPDX-License-Identifier: Zlib
// node_asyncify.js - run before a web test program built with ASYNCIFY under node (--pre-js): its
// main hands control back to node at its first sleep (SDL_Delay) and ends later, when node's timers
// have woken it. Emscripten would end the process, with status 0, at the first moment after a sleep
// when no timer of its own is pending, main still running; the runtime is kept alive instead, and
// main's own status, once it ends, becomes the program's.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() { runtimeKeepalivePush(); });
Module['postRun'] = Module['postRun'] || [];
Module['postRun'].push(function() {
  if (Asyncify.currData) Asyncify.whenDone().then(function(status) { exit(status); });
});
