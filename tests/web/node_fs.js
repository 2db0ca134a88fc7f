// SPDX-License-Identifier: Zlib
// node_fs.js - run before each web test program under node (--pre-js): the folders the tests read
// and write (the project's source and build folders, the temporary folder) appear at their own
// paths in the program's file system, mounted from the machine's (NODEFS), and the program starts
// in node's working folder with node's environment. The rest of the file system stays emscripten's own, whose standard
// streams can be duplicated and redirected (GoogleTest's capture of stderr needs that).
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  var dirs = (typeof GLITZ_NODE_DIRS !== 'undefined' ? GLITZ_NODE_DIRS : []).concat([require('os').tmpdir()]);
  dirs.forEach(function(dir) {
    try { FS.mkdirTree(dir); } catch (e) {}
    FS.mount(NODEFS, { root: dir }, dir);
  });
  try { FS.chdir(process.cwd()); } catch (e) {}
  // The machine's environment, as a desktop test program sees it (when the program reads any).
  if (typeof ENV !== 'undefined') Object.keys(process.env).forEach(function(k) { ENV[k] = process.env[k]; });
});
