#include "gui/plans/plan_texts.h"

#include <QCoreApplication>

#include "gui/panel/language.h"

QString messageText(tvq::MessageId id) {
    return QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(id).data());
}

QString noticeText(const tvq::PlanNotice& notice) {
    return QString::fromStdString(
        tvq::formatMessage(messageText(notice.id).toStdString(), notice.args));
}

tvq::PlanLanguage planLanguage() {
    return Language::chinese() ? tvq::PlanLanguage::Chinese : tvq::PlanLanguage::English;
}
