// SPDX-License-Identifier: Zlib
// files.h - where the program's files are and how they are read.
//
// Assets come from the data directory "./data" (relative to the working directory), or from the
// folder an installed program names with data_dir_set(), through the catalogue data.json, parsed once by data_catalogue(). state.dat and settings.dat are optional raw
// images of the application record and its settings in the per-user directory; they are read at
// start-up when present and never written.
#pragma once
#include <cstdint>
#include <string>
#include "util/zev_var.h"

struct Settings;

const char *data_dir();        // "./data" or the folder set below; static buffer, valid until the next call
bool data_dir_set(const char *dir);  // false (nothing changes) for an empty text or one of 512 bytes or more
const char *user_dir();        // per-user directory (created with its parents); static buffer
int32_t user_file_read(const char *name, void *buffer, int32_t limit);  // bytes read, 0 for none
std::string data_json_text();  // whole data.json, empty when missing
var &data_catalogue();         // the parsed catalogue, parsed on first use; while the file is missing
                               // or no JSON object it stays none and is read again on the next call,
                               // with one "unable to read catalogue PATH: CAUSE" line per cause
var &data_catalogue_ahead();   // data.json read and parsed before data_catalogue() is due, printing
                               // nothing: the next data_catalogue() takes this parse and prints its
                               // lines then (the parsed catalogue itself once there is one)
void settings_tags(Settings &s);
int32_t net_init();            // 0 on success, -1 on failure
void net_quit();
