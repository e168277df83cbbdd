#include "ui/FileDialogChooser.h"

#include <QFileDialog>

namespace
{
std::optional<QString> chosen(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
}

std::optional<QString> FileDialogChooser::openFile(QWidget *parent, const FileRequest &request)
{
    return chosen(QFileDialog::getOpenFileName(parent, request.caption, request.start, request.filter));
}

std::optional<QString> FileDialogChooser::saveFile(QWidget *parent, const FileRequest &request)
{
    const QFileDialog::Options options =
        request.appendsToExisting || !request.confirmOverwrite ? QFileDialog::Options(QFileDialog::DontConfirmOverwrite)
                                                                : QFileDialog::Options();
    return chosen(QFileDialog::getSaveFileName(parent, request.caption, request.start, request.filter, nullptr, options));
}
