#pragma once

#include "ui/FileChooser.h"

// The program's chooser: the platform's open and save dialogs. The save
// dialog asks before a file is overwritten.
//
// Main thread only.
class FileDialogChooser : public IFileChooser
{
public:
    std::optional<QString> openFile(QWidget *parent, const FileRequest &request) override;
    std::optional<QString> saveFile(QWidget *parent, const FileRequest &request) override;
};
