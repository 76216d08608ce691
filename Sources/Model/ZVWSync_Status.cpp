// The user's answers to a delegated task or a shared category.
#include "ZVWSync.h"

#include "Calendar.h"
#include "CoreData.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "Task.h"

#include <QDebug>
#include <QJsonDocument>

qint32 ZVWSync::taskRoleForPermission(std::optional<qint64> permission)
{
    if (!permission) return 0;
    switch (*permission) {
    case 0: return 4;
    case 1: return 2;
    case 2: return 1;
    default: return 0;
    }
}

ZVWSync::StatusAnswer ZVWSync::statusAnswer(const HttpReply& reply)
{
    StatusAnswer answer;
    if (reply.transportFailed()) return answer;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reply.body, &error);
    const bool parsed = error.error == QJsonParseError::NoError;
    if (parsed && document.isObject() && document.object().contains(QStringLiteral("error"))) {
        answer.kind = StatusAnswer::Refused;
        return answer;
    }
    const bool firstIsObject = parsed && document.isArray() && !document.array().isEmpty() && document.array().first().isObject();
    const QJsonObject first = firstIsObject ? document.array().first().toObject() : QJsonObject();
    if (firstIsObject && first.contains(QStringLiteral("error"))) {
        answer.kind = StatusAnswer::Refused;
        return answer;
    }
    // A failed status without the service's refusal never reached it.
    if (!reply.hasSuccessStatus()) return answer;
    if (!firstIsObject) {
        answer.kind = StatusAnswer::NoObject;
        return answer;
    }
    answer.kind = StatusAnswer::Accepted;
    answer.taskRole = taskRoleForPermission(ZVWReply::integer(first, QStringLiteral("permission")));
    return answer;
}

void ZVWSync::changeItemStatus(const TaskPtr& task)
{
    if (!task) return;
    sendItemStatus(
        QJsonObject{{QStringLiteral("obj_id"), task->zvwID()}, {QStringLiteral("stt_type"), 1},
                    {QStringLiteral("stt"), task->delegateStatus()}},
        [task] {
            task->setDelegateStatus(0);
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kShareItemChangedStatusNotification, task);
        },
        [task](qint32 role) {
            CoreData* dataManager = CoreData::shared();
            if (dataManager && !dataManager->updateDelegatedTaskStatus(task, role))
                qWarning() << "The answer to delegated task" << task->primaryKey() << "could not be saved";
        });
}

void ZVWSync::changeItemStatus(const CalendarPtr& category)
{
    if (!category) return;
    sendItemStatus(
        QJsonObject{{QStringLiteral("obj_id"), category->zvwProjectId()}, {QStringLiteral("stt_type"), 2},
                    {QStringLiteral("stt"), category->sharedStatus()}},
        [category] {
            category->setSharedStatus(0);
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kShareItemChangedStatusNotification,
                                                                                 category);
        },
        [category](qint32) {
            CoreData* dataManager = CoreData::shared();
            if (dataManager && !dataManager->updateShareProjectStatus(category))
                qWarning() << "The answer to shared category" << category->primaryKey() << "could not be saved";
        });
}

void ZVWSync::sendItemStatus(const QJsonObject& answer, const std::function<void()>& takeBack,
                             const std::function<void(qint32 role)>& apply)
{
    if (!internetReachable) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    if (!setting || setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) return;

    // A connection of its own: a pass running meanwhile must not hold the
    // caller, the main thread, behind its requests.
    HttpSession session;
    refreshToken(session);
    makeZvwKeyAPI();
    HttpRequest request;
    request.method = "PUT";
    request.url = dataAddress(QStringLiteral("status/updates.json"));
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    // The keys in the service's order.
    request.body = QStringLiteral("[{\"obj_id\":%1,\"stt_type\":%2,\"stt\":%3}]")
                       .arg(answer.value(QStringLiteral("obj_id")).toInteger())
                       .arg(answer.value(QStringLiteral("stt_type")).toInteger())
                       .arg(answer.value(QStringLiteral("stt")).toInteger())
                       .toUtf8();
    const HttpReply reply = session.send(request);
    const StatusAnswer outcome = statusAnswer(reply);
    switch (outcome.kind) {
    case StatusAnswer::NotReached:
        // Taken back so that the row asks again rather than show an answer
        // the service never got.
        qWarning().nospace() << "A share or delegation answer did not reach the web service (status " << reply.status
                             << ", " << reply.errorText << "); it is taken back";
        takeBack();
        break;
    case StatusAnswer::Refused: takeBack(); break;
    case StatusAnswer::NoObject:
        qWarning() << "The web service's reply to a share or delegation answer holds no answer; nothing changes";
        break;
    case StatusAnswer::Accepted: apply(outcome.taskRole); break;
    }
}
