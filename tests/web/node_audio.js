// SPDX-License-Identifier: Zlib
// node_audio.js - run before a web test program that opens the sound device under node (--pre-js,
// test_sound_layer): the little of a browser that emscripten's SDL needs to start and to open audio
// (a window and a document for its listeners, Audio, AudioContext), with a silent AudioContext whose
// clock is node's. SDL then mixes as in a page: its timers, and the program's SDL_Delay (built with
// ASYNCIFY), call the program's audio callback block after block, ahead of that clock. Like SDL's
// dummy driver, the device is there when SDL_AUDIODRIVER is unset or "dummy" (read from the
// program's environment as it is now, tests/web/support_web.cpp); any other name is a driver that
// is not there, and opening fails. Set up once the runtime knows it runs under node.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  var listeners = { addEventListener: function() {}, removeEventListener: function() {} };
  if (typeof window === 'undefined') globalThis.window = listeners;
  if (typeof document === 'undefined')
    globalThis.document = Object.assign({ getElementById: function() { return null; } }, listeners);
  globalThis.Audio = function() {
    var name = UTF8ToString(Module['_glitz_test_audio_driver']());
    if (name !== '' && name !== 'dummy') throw 'no audio driver ' + name;
  };
  globalThis.AudioContext = function() {
    var start = performance.now();
    Object.defineProperty(this, 'currentTime', { get: function() { return (performance.now() - start) / 1000; } });
    this.state = 'running';
    this.destination = {};
    this.resume = function() {};
    this.createBuffer = function(channels, frames, rate) {
      var data = [];
      for (var c = 0; c < channels; c++) data.push(new Float32Array(frames));
      return { numberOfChannels: channels, length: frames, sampleRate: rate, duration: frames / rate,
               getChannelData: function(c) { return data[c]; } };
    };
    this.createBufferSource = function() { return { connect: function() {}, start: function() {} }; };
  };
});
