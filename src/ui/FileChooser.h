#pragma once

#include <optional>

#include <QString>

class QWidget;

// What a file dialog is asked for. start is the folder to begin in, or a
// full path whose name is offered; filter is in the dialogs' own form,
// "Backup Files(*.ovkbk)". A save that adds to an existing file, rather
// than replacing it, asks no "replace?" question (appendsToExisting).
struct FileRequest
{
    QString caption;
    QString start;
    QString filter;
    bool appendsToExisting = false;
    // Whether a save dialog asks before it names an existing file.
    bool confirmOverwrite = true;
};

// Lets the user pick a file: file dialogs in the program, a recording double
// in tests. nullopt when the user cancels.
//
// Main thread only.
class IFileChooser
{
public:
    virtual ~IFileChooser() = default;
    virtual std::optional<QString> openFile(QWidget *parent, const FileRequest &request) = 0;
    virtual std::optional<QString> saveFile(QWidget *parent, const FileRequest &request) = 0;
};

// The chooser of the process: file dialogs unless another one is set.
IFileChooser &fileChooser();
// Replaces the chooser (nullptr restores the dialogs); returns the one it
// replaced.
IFileChooser *setFileChooser(IFileChooser *chooser);
