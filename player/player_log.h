// The player windows' logging category. Info lines (what opens, what ends, where the
// controls sit) are off unless QT_LOGGING_RULES="veltra.player.info=true"; warnings show.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
