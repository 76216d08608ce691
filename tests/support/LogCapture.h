#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the warnings and errors logged while it lives.
class LogCapture {
public:
    LogCapture()
    {
        {
            // Only what is logged from now on is this capture's.
            QMutexLocker lock(&s_mutex);
            s_messages.clear();
        }
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        // Each capture puts back the handler it found, so that two captures
        // in one test leave none of theirs behind.
        qInstallMessageHandler(m_previous);
        QMutexLocker lock(&s_mutex);
        s_messages.clear();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const
    {
        QMutexLocker lock(&s_mutex);
        return s_messages;
    }

    bool contains(const QString& text) const
    {
        for (const QString& message : messages())
            if (message.contains(text)) return true;
        return false;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        QMutexLocker lock(&s_mutex);
        s_messages.append(message);
    }
    QtMessageHandler m_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QStringList s_messages;
};
