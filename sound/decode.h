// SPDX-License-Identifier: Zlib
// decode.h - the sound engine's file decoders: WAV through libsndfile, Ogg Vorbis through
// libvorbisfile, tracker modules (MOD, XM, S3M, IT and the rest libxmp knows) through libxmp.
//
//   std::vector<uint8_t> bytes;  if (!file_read_all(path, &bytes, limit)) ...;
//   switch (sound_format_detect(bytes.data(), bytes.size())) {
//   case FORMAT_WAV: wav_decode(bytes, &pcm, limit); break;            // always whole
//   case FORMAT_OGG: vorbis_decode_all(bytes, &pcm, limit)  or  vorbis_open_file(path); break;
//   case FORMAT_MODULE: module_open(&bytes); break;                    // rendered live
//   }
//
// Every decoder hands out interleaved signed 16-bit frames with 1 or 2 channels. More channels are
// mixed down by their layout (the channel mask of a WAV file, Vorbis order for Ogg): left and right
// to their sides, centre into both and surrounds into their side at -3 dB, LFE dropped.
// Untrusted input: every failure is a null / false result, never a crash. Every file is opened
// through one function in decode.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum SoundFormat { FORMAT_UNKNOWN, FORMAT_WAV, FORMAT_OGG, FORMAT_MODULE };

// Sound decoded whole into memory.
struct PcmData {
    std::vector<int16_t> samples;  // interleaved, channels per frame
    int32_t rate = 0;              // frames per second
    int32_t channels = 0;          // 1 or 2
    int64_t frames() const { return channels ? (int64_t)samples.size() / channels : 0; }
};

// A sound decoded piece by piece while it plays (a large Ogg file read from disk, or a module
// rendered by libxmp). Reads happen on the audio thread; open, seek and close on the game thread
// (under the engine's lock).
class StreamDecoder {
public:
    virtual ~StreamDecoder() {}
    int32_t rate = 0;      // frames per second of what read() gives
    int32_t channels = 0;  // 1 or 2
    // Up to `frames` frames into `out`; fewer only at the end of one pass through the sound.
    // Neither allocates nor blocks beyond reading the file.
    virtual int32_t read(int16_t *out, int32_t frames) = 0;
    // Next read() starts `ms` milliseconds into the sound. False (position unknown) on failure.
    virtual bool seek_ms(int64_t ms) = 0;
    // Length of one pass in milliseconds, -1 when unknown.
    virtual int64_t length_ms() { return -1; }
    // For a looped voice at the end of a pass: the next read() continues where the sound loops to
    // (its start; a module's own restart position). Gives that place in frames, -1 on failure.
    virtual int64_t loop() { return seek_ms(0) ? 0 : -1; }
};

// Whole file into memory; false when it cannot be read or is larger than `limit` bytes.
bool file_read_all(const char *path, std::vector<uint8_t> *out, size_t limit);
// File size in bytes, -1 when it cannot be opened.
int64_t file_size(const char *path);
// The first `n` bytes of a file; false when it cannot be read or is shorter.
bool file_read_head(const char *path, uint8_t *out, size_t n);

SoundFormat sound_format_detect(const uint8_t *data, size_t size);

// WAV in any encoding libsndfile reads (8-bit unsigned, 16/24/32-bit integer, 32/64-bit float,
// A-law, u-law, IMA and MS ADPCM, plain or extensible), checked chunk by chunk first: a RIFF or data
// length of 0 or 0xFFFFFFFF (left by recorders) means "to the end of the file", odd chunks are
// padded, unknown chunks skipped. False for anything truncated, inconsistent, not a WAV file, or
// decoding to more than `max_samples` 16-bit samples.
bool wav_decode(const std::vector<uint8_t> &file, PcmData *out, size_t max_samples);

// Ogg Vorbis from memory, decoded whole. False when libvorbisfile refuses it, a decode error
// occurs, the file ends inside a page (truncated), or it decodes to more than `max_samples`
// 16-bit samples (a small file of long silence can decode to gigabytes).
bool vorbis_decode_all(const std::vector<uint8_t> &file, PcmData *out, size_t max_samples);
// Ogg Vorbis streamed from disk; null when libvorbisfile refuses the file.
StreamDecoder *vorbis_open_file(const char *path);

// A module loaded by libxmp from `bytes` (which must outlive the decoder), rendered at 44100 Hz
// stereo. One pass ends when the module's song loops; loop() then goes on from where the song
// loops to (its restart position or a backward jump), as tracker players do. Null when libxmp
// refuses the data.
StreamDecoder *module_open(const std::vector<uint8_t> *bytes);
