// SPDX-License-Identifier: Zlib
// files_internal.h - the file calls start-up makes besides app/files.h: the per-user records, the
// catalogue read ahead, the network library's start and end. The framework and its tests include
// it; it is not installed.
#pragma once
#include <cstdint>
#include <string>
#include "app/files.h"

struct Settings;

int32_t user_file_read(const char *name, void *buffer, int32_t limit);  // bytes read, 0 for none
std::string data_json_text();  // whole data.json, empty when missing
var &data_catalogue_ahead();   // data.json read and parsed before data_catalogue() is due, printing
                               // nothing: the next data_catalogue() takes this parse and prints its
                               // lines then (the parsed catalogue itself once there is one)
void settings_tags(Settings &s);
int32_t net_init();            // 0 on success, -1 on failure
void net_quit();
