#pragma once

#include "app/diagnostic_report.h"

#include <QObject>
#include <QString>

namespace vardo {

class Camera;
class IntegrityStatus;
class RecentLogLines;
class SystemDescriber;
class VardoService;

// "Report a Problem" (QML singleton `ProblemReport`): puts a diagnostic report on the
// clipboard for the user to paste wherever they ask for help. The project has no
// mailbox of its own; the user decides where the report goes.
class ProblemReport final : public QObject {
    Q_OBJECT
    // "", "preparing" (the file check is still running), "copied"
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)

public:
    ProblemReport(VardoService &service, Camera &camera, SystemDescriber &system, IntegrityStatus &integrity,
                  const RecentLogLines *log, QObject *parent = nullptr);

    QString state() const { return state_; }

    // The report as it would be copied now.
    Q_INVOKABLE QString text() const;
    // Replaces the clipboard's content with the report, once the check of the
    // installed files (which it reports) has run.
    Q_INVOKABLE void copyToClipboard();
    // The sheet closed: the next opening starts afresh.
    Q_INVOKABLE void reset();

signals:
    void stateChanged();

private:
    void setState(const QString &state);
    void copyNow();

    VardoService &service_;
    Camera &camera_;
    SystemDescriber &system_;
    IntegrityStatus &integrity_;
    const RecentLogLines *log_;
    QString state_;
};

} // namespace vardo
