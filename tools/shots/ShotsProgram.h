#pragma once

#include <cstdint>
#include <functional>

#include <QString>

class DbManage;

// Draws the pictures of one language: in db (a data folder of its own for the
// language), into folder, with the language's suffix ("en", "zh") in the
// file names. False when a picture could not be made.
using ShootLanguage =
    std::function<bool(DbManage &db, std::uint32_t lcid, const QString &folder, const QString &suffix)>;

// The whole of a picture program's main: the application with the desk's
// look, the output folder from the command line ("<program> <output
// folder>"), then English and Chinese, each on a fresh temporary data folder.
// The exit code: 0, 1 when a picture failed, 2 for bad arguments.
int runShotsProgram(int argc, char *argv[], const char *program, const ShootLanguage &shoot);
