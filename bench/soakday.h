// A day at the bench, at random but the same for the same seed: the real
// window, in this process and offscreen, worked as its user works it (every
// kind of control, presets, text, masks, the jog pad, setups, Send all), by
// scripts on the session bus and by camdeck-ctl, while the simulator behind
// the line is pulled and plugged back and answers late, garbled or not at
// all, and the home's disk is full for a while. At the end a termination
// signal comes in the middle of a preset recall.
//
// Everything done goes to the log as it is done, and with it what the
// program said it sent for it (soakcheck.h holds the program to that); what
// a save left on the disk is read back at once.
#pragma once

#include "link/sendqueue.h"
#include "util/windowdriver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <string>

class MainWindow;
class QProcess;

// One record a line, "<steady-clock ns> <word> <rest>", out as it is written.
class SoakLog {
public:
    explicit SoakLog(const QString &path);
    ~SoakLog();
    bool isOpen() const { return m_file != nullptr; }
    void write(const std::string &word, const std::string &rest = {});

private:
    std::FILE *m_file;
};

class SoakDay : public QObject {
    Q_OBJECT

public:
    struct Plan {
        std::uint64_t seed = 0;
        std::chrono::seconds length{600};
        std::chrono::seconds warmUp{60}; // memory is measured from here
        QString link; // the simulator's link, which the window has opened
        QString ctl; // the camdeck-ctl program
    };

    SoakDay(MainWindow &window, QProcess &simulator, SoakLog &log, const Plan &plan);
    ~SoakDay() override;

    // The day, then the recall the signal cuts into; true once the window has
    // closed. What kept the day from going on is logged as a violation.
    bool run();

private:
    using Clock = std::chrono::steady_clock;
    enum class Disk { Fine, Full, FullAfterAWrite };

    // The log's records.
    int begin(const std::string &kind, const std::string &detail = {});
    void claim(int action, bool written, const std::vector<camdeck::Bytes> &messages);
    void violation(const std::string &what);
    // A user's action, with what it sent claimed: one job, so whatever the
    // window queues for it is told as one.
    template<class Act> void asUser(const std::string &kind, const std::string &detail, Act act);

    // Around the window.
    bool pull();
    bool plugBack();
    bool tellSimulator(const QString &command, const QString &answer);
    void changeAnswering();
    void setDisk(Disk disk);

    void pickAction();
    // The window's user.
    void changeControl();
    void recallPreset();
    void savePreset();
    void uploadText();
    void drawMask();
    void jog();
    void centre();
    void sendAll();
    void saveSetup();
    void openSetup();
    void disconnectPort();
    void noteAlerts();
    void pickPortAgain();
    // Scripts.
    void callBus();
    void runCtl();

    void checkSaved(const QString &path, const QByteArray &before, const std::string &expected,
                    bool saidSaved);
    bool endWithSignal();
    void sampleMemory(const char *when);
    QDBusMessage call(const QString &method, const QVariantList &arguments);
    void idle(int ms);
    bool settleOpening();

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    int between(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    std::string randomText(bool camdeckCanShow);

    MainWindow &m_window;
    QProcess &m_simulator;
    SoakLog &m_log;
    Plan m_plan;
    std::mt19937_64 m_random;
    QDBusConnection m_bus;
    QString m_service;
    int m_nextAction = 1;
    bool m_inJob = false;
    bool m_plugged = true;
    Disk m_disk = Disk::Fine;
    std::set<int> m_shortened; // descriptors that took part of a write on a full disk
    // The window's own loading of presets when a port opens, claimed as one job.
    std::optional<camdeck::SendQueue::Job> m_opening;
    MessageBoxAnswers m_alerts; // the user's answer to every alert: Cancel
    qsizetype m_alertsNoted = 0;
    QString m_chosenSetup; // what the File menu's path chooser answers
    // What the window said of the last step (a save, a refusal), heard as it
    // said it: its status label may show the next frame sent before the day
    // reads it.
    QStringList m_said;
    bool said(const QString &start) const;
    QStringList m_setups; // saved by the day, to open again
    // How long the window went without running its timers: the longest gap
    // between two ticks of a 5 ms timer on its thread, and when.
    QTimer m_ticks;
    Clock::time_point m_lastTick;
    Clock::duration m_longestStall{};
    Clock::time_point m_longestStallAt;
};
