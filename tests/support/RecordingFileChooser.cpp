#include "support/RecordingFileChooser.h"

RecordingFileChooser::RecordingFileChooser()
    : m_replaced {setFileChooser(this)}
{
}

RecordingFileChooser::~RecordingFileChooser()
{
    setFileChooser(m_replaced);
}

std::optional<QString> RecordingFileChooser::openFile(QWidget *, const FileRequest &request)
{
    return answer(Kind::Open, request);
}

std::optional<QString> RecordingFileChooser::saveFile(QWidget *, const FileRequest &request)
{
    return answer(Kind::Save, request);
}

std::optional<QString> RecordingFileChooser::answer(Kind kind, const FileRequest &request)
{
    requests.push_back({kind, request});
    if (m_answers.empty())
        return std::nullopt;
    const QString next = m_answers.front();
    m_answers.pop_front();
    if (next.isNull())
        return std::nullopt;
    return next;
}
