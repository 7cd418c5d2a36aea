#pragma once

#include "sinks.h"

#include <QString>
#include <QStringList>

// Test doubles that remember what the session asked of the window.
struct RecordingSink : session::ConversationSink {
    QStringList dialog;
    QStringList status;
    int clears = 0;
    void UpdateDialog(const QString &vsDialog) override { dialog << vsDialog; }
    void UpdateStatus(const QString &vsStatus) override { status << vsStatus; }
    void clearDialog() override { ++clears; }
};

struct RecordingMessages : session::MessageService {
    QStringList titles;
    QStringList texts;
    void showMessage(Icon, const QString &title, const QString &text) override
    {
        titles << title;
        texts << text;
    }
};
