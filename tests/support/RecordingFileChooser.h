#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "ui/FileChooser.h"

// Stands in for the file dialogs while it lives: records every request and
// answers at once with the queued answers in order (nullopt: the user
// cancelled), then with cancel.
class RecordingFileChooser : public IFileChooser
{
public:
    enum class Kind
    {
        Open,
        Save,
    };

    struct Request
    {
        Kind kind;
        FileRequest request;
    };

    RecordingFileChooser();
    ~RecordingFileChooser() override;
    RecordingFileChooser(const RecordingFileChooser &) = delete;
    RecordingFileChooser &operator=(const RecordingFileChooser &) = delete;

    std::optional<QString> openFile(QWidget *parent, const FileRequest &request) override;
    std::optional<QString> saveFile(QWidget *parent, const FileRequest &request) override;
    void answerNext(const std::optional<QString> &answer) { m_answers.push_back(answer.value_or(QString())); }

    std::vector<Request> requests;

private:
    std::optional<QString> answer(Kind kind, const FileRequest &request);

    // A null text stands for a cancelled dialog.
    std::deque<QString> m_answers;
    IFileChooser *m_replaced = nullptr;
};
