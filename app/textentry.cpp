#include "textentry.h"

#include "protocol/camera.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

TextEntry::TextEntry(QLineEdit *entry)
    : QObject(entry)
    , m_entry(entry)
    , m_left(new QLabel(entry->parentWidget()))
{
    // One UTF-16 unit a position, as the text goes out.
    const int limit = camdeck::protocol::textPositions;
    m_entry->setMaxLength(limit);
    m_left->setObjectName(QStringLiteral("textLeft"));
    m_left->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // As wide as its widest count, so the entry does not move while typing.
    m_left->setMinimumWidth(m_left->fontMetrics().horizontalAdvance(tr("%1 left").arg(88)));
    // Beside the entry, in the cell the entry had.
    if (auto *grid = qobject_cast<QGridLayout *>(entry->parentWidget()->layout())) {
        int row = 0, column = 0, rows = 1, columns = 1;
        grid->getItemPosition(grid->indexOf(entry), &row, &column, &rows, &columns);
        grid->removeWidget(entry);
        auto *beside = new QHBoxLayout;
        beside->addWidget(entry, 1);
        beside->addWidget(m_left);
        grid->addLayout(beside, row, column, rows, columns);
    }
    connect(m_entry, &QLineEdit::textChanged, this, &TextEntry::show);
    show();
}

void TextEntry::show()
{
    const std::string problem = camdeck::protocol::textProblem(m_entry->text().toStdU16String());
    if (problem.empty()) {
        m_left->setText(tr("%1 left").arg(m_entry->maxLength() - m_entry->text().size()));
        m_left->setPalette(QPalette());
        m_left->setToolTip(
            tr("Characters left of the %1 the camera shows").arg(m_entry->maxLength()));
        return;
    }
    m_left->setText(tr("not Latin-1"));
    QPalette warning = m_left->palette();
    warning.setColor(QPalette::WindowText, QColor(0xc0, 0x00, 0x00));
    m_left->setPalette(warning);
    m_left->setToolTip(QString::fromStdString(problem));
}
