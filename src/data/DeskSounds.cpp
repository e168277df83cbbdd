#include "data/DeskSounds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "data/DataFolder.h"

extern const char CalldeskWarning1Wav[];
extern const std::size_t CalldeskWarning1WavSize;
extern const char CalldeskWarning2Wav[];
extern const std::size_t CalldeskWarning2WavSize;
extern const char CalldeskAlarmWav[];
extern const std::size_t CalldeskAlarmWavSize;

namespace
{
bool sameContent(const std::string &path, std::string_view content)
{
    std::ifstream in(path, std::ios::binary);
    const std::string present((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return in.good() || in.eof() ? present == content : false;
}

// Through a temporary file and a rename, so a player never reads half a file.
bool writeWhole(const std::string &path, std::string_view content, std::string &error)
{
    const std::string temporary = path + ".writing";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
}

bool installDeskSounds(const std::string &dataFolder, std::string &error)
{
    const struct
    {
        std::string path;
        std::string_view content;
    } sounds[] = {
        {warningSoundPath(dataFolder, 1), {CalldeskWarning1Wav, CalldeskWarning1WavSize}},
        {warningSoundPath(dataFolder, 2), {CalldeskWarning2Wav, CalldeskWarning2WavSize}},
        {alarmSoundPath(dataFolder), {CalldeskAlarmWav, CalldeskAlarmWavSize}},
    };
    if (!ensureFolder(soundFolder(dataFolder))) {
        error = "cannot create the folder of " + sounds[0].path;
        return false;
    }
    bool written = true;
    for (const auto &sound : sounds) {
        if (!sameContent(sound.path, sound.content) && !writeWhole(sound.path, sound.content, error))
            written = false;
    }
    return written;
}
