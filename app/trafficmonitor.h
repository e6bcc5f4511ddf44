// The traffic monitor: every write and read on the serial line, time-stamped,
// in hex and decoded with the camera's table. It keeps the last
// lines only, and fills its view only while it is shown.
#pragma once

#include "link/serialline.h"
#include "protocol/decoder.h"

#include <QDockWidget>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class QPlainTextEdit;

class TrafficMonitor : public QDockWidget {
    Q_OBJECT

public:
    static constexpr int defaultLineLimit = 5000;
    // Asks the user where to save; an empty path means they cancelled.
    using PathChooser = std::function<QString()>;

    explicit TrafficMonitor(QWidget *parent = nullptr, int lineLimit = defaultLineLimit);

    // Records what the line carried, as the line's tap reports it.
    void record(camdeck::SerialLine::Direction direction, const camdeck::Bytes &bytes);

    // All kept lines, oldest first, one per write or read.
    QString text() const;
    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }

signals:
    // The last message of a write, decoded: "2/0 exposure mode ← 0x01".
    void commandSent(const QString &description);

private:
    void makeView();
    void append(const QString &line);
    void showKeptLines();
    void copyAll() const;
    void saveAll();
    QString askPath();

    const int m_lineLimit;
    std::deque<QString> m_lines;
    bool m_viewBehind = false;
    camdeck::protocol::Decoder m_writes;
    camdeck::protocol::Decoder m_reads;
    QPlainTextEdit *m_view = nullptr;
    PathChooser m_choosePath;
};
