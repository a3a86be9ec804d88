#pragma once
// The core's plan messages in the operator's current language.

#include <QString>

#include "core/plans/plan_file.h"
#include "core/plans/plan_text.h"

QString messageText(tvq::MessageId id);
// The message with %1, %2, ... filled from its arguments.
QString noticeText(const tvq::PlanNotice& notice);
tvq::PlanLanguage planLanguage();
