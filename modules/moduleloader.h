// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The program's own libraries (the built-in synthesizer, its limiter, the
// history's store) lie beside the program in the build and in
// lib/qvb-zaradariveda when installed. Nothing else is searched, except a
// folder that the environment variable QVB_MODULE_FOLDER names: the tests'
// programs, which run from folders of their own, find the build's there.
inline constexpr const char* ModuleFolderVariable = "QVB_MODULE_FOLDER";

// The folder of a file's path ("." for a bare name).
std::string folderOf(const std::string& path);

// The folders above, in the order they are searched.
std::vector<std::string> moduleFolders();

// The first of `folders` (then of moduleFolders()) that holds a regular file
// `name`, as a whole path; empty when there is none.
std::string findModuleFile(const std::string& name, const std::vector<std::string>& folders = {});

// Loads the module `name` from the first of moduleFolders() where it loads
// and returns its function `entry`; nullptr when there is no such module or
// function. The module stays loaded: what it makes must outlive any handle.
void* openModuleEntry(const std::string& name, const char* entry);
