// The panel on the session bus (org.example.camdeck.Panel.xml beside this
// file): scripts and other programs drive the open window as its user does.
// Every call meets the same control binding, panel behaviour and paced queue
// as a click; the widgets move, the partner rules apply, and the bytes go out
// in the order calls and clicks came. A call replies once its bytes are
// written (a jog stop once the travel was read); bad input is refused before
// anything is sent, with the words camdeck-ctl uses.
#pragma once

#include "link/sendqueue.h"
#include "mainwindow.h"

#include <QDBusContext>
#include <QMap>
#include <QObject>
#include <QStringList>

class ControlBinding;
class JogPad;
class PresetButtons;
class QLineEdit;

namespace camdeck {
class PresetBank;
}

class PanelService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QString Port READ port)
    Q_PROPERTY(QString State READ state)

public:
    PanelService(MainWindow &window, ControlBinding &controls, camdeck::PresetBank &presets,
                 PresetButtons &saves, JogPad &jog, QLineEdit *text);
    // Off the bus with the window: its names go.
    ~PanelService() override;

    // On the session bus: the application's name (the first panel to ask
    // gets it), one of this panel's own with its process id, and /Panel.
    // False when there is no session bus.
    bool registerOnBus();

    QString port() const;
    QString state() const;

public slots:
    QByteArray Hello();
    QStringList Set(const QString &name, const QString &value);
    QMap<QString, QString> Controls();
    QStringList Preset(int number);
    QString Save(int number);
    QStringList Text(const QString &text);
    QStringList Mask(const QString &name);
    QStringList Switch(const QString &name, bool on);
    int Jog(const QString &direction, QStringList &sent, QByteArray &reply);
    QStringList ApplySetup(const QString &setup);
    QString DumpSetup();
    QStringList SendAll();
    void Disconnect();

signals:
    void ControlChanged(const QString &name, const QString &value);
    void PortStateChanged(const QString &state, const QString &port);

private:
    // Refuses the call with an error of the application's; what to return.
    template<class T = QStringList> T refuse(const char *error, const std::string &why);
    bool portOpen();
    // Queues what send does as one job, and answers the call once its last
    // write is out with the hex of what it wrote, as the method's out
    // arguments have it (by default the list alone).
    using ReplyArguments = std::function<QVariantList(const QStringList &sent)>;
    void replyWhenWritten(const std::function<void()> &send, const ReplyArguments &arguments = {});

    MainWindow &m_window;
    ControlBinding &m_controls;
    camdeck::PresetBank &m_presets;
    PresetButtons &m_saves;
    JogPad &m_jog;
    QLineEdit *m_text;
    QStringList m_names; // what this panel holds on the bus
};
