#include "shell/CallListUI.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "ui/CallListModel.h"

namespace
{
// Widths of columns 0 to 8; the remark column takes the rest.
constexpr int ColumnWidths[] = {30, 80, 85, 120, 118, 120, 85, 85, 95};
constexpr int TextPadding = 2;

// The lists repaint every second, and Qt hands every repainted cell's text to
// an editor open on it: the remark editor takes the remark only when it opens.
class RemarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static const char *const Filled = "calldeskFilled";
        if (editor->property(Filled).toBool())
            return;
        QStyledItemDelegate::setEditorData(editor, index);
        editor->setProperty(Filled, true);
    }
};
}

CCallListUI::CCallListUI(QWidget *parent)
    : QTableView(parent)
{
    for (int column = 0; column < ColumnCount; ++column)
        m_tags[std::size_t(column)] = column;
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setSortingEnabled(false);
    setItemDelegate(new RemarkDelegate(this));
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2 * TextPadding + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CCallListUI::headerClicked);
    connect(this, &QAbstractItemView::pressed, this, &CCallListUI::cellPressed);
}

void CCallListUI::setUp(CallListModel &model)
{
    showModel(model);
    m_model = &model;
    model.setOpenEditorTaker([this] { return takeOpenEditor(); });
}

void CCallListUI::setUp(QAbstractItemModel &model)
{
    showModel(model);
}

void CCallListUI::showModel(QAbstractItemModel &model)
{
    setModel(&model);
    for (int column = 0; column < int(std::size(ColumnWidths)); ++column)
        horizontalHeader()->resizeSection(column, ColumnWidths[column]);
    horizontalHeader()->setMinimumSectionSize(ColumnWidths[0]);
}

void CCallListUI::headerClicked(int column)
{
    if (column <= 0 || column >= ColumnCount)
        return;
    int &tag = m_tags[std::size_t(column)];
    const int key = tag;
    tag = -tag;
    emit sortRequested(key);
}

void CCallListUI::cellPressed(const QModelIndex &index)
{
    if (index.column() != CallListModel::RemarkColumn || m_pressedButton != Qt::LeftButton)
        return;
    scrollTo(index);
    if (!edit(index, QAbstractItemView::AllEditTriggers, nullptr))
        return;
    m_editor = qobject_cast<QLineEdit *>(indexWidget(index));
    if (m_editor && m_model)
        m_model->remarkEditOpened(index.row());
}

// Closed by Enter, Escape or leaving it; what it stores was committed first.
void CCallListUI::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor && editor == m_editor) {
        m_editor = nullptr;
        if (m_model)
            m_model->remarkEditClosed();
    }
    QTableView::closeEditor(editor, hint);
}

// The view lets go of the editor first, so closing it commits nothing: the
// model stores the text on the editor's call itself.
std::optional<QString> CCallListUI::takeOpenEditor()
{
    QLineEdit *editor = m_editor;
    if (!editor)
        return std::nullopt;
    const QString text = editor->text();
    m_editor = nullptr;
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return text;
}

void CCallListUI::mousePressEvent(QMouseEvent *event)
{
    m_pressedButton = event->button();
    QTableView::mousePressEvent(event);
}
