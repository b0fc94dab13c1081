// Window messages between the media engine, the viewer and the main window. Each one is
// posted or sent as a QEvent whose type is QEvent::User + the message number.
#pragma once

#include <cstdint>

constexpr int UM_GRAPH_POSITION = 1038;  // wParam: position in tenths of a second
constexpr int UM_GRAPH_STOPPED = 1039;   // wParam: 0
constexpr int UM_GRAPH_COMPLETE = 1040;  // wParam: 15
constexpr int UM_PLAY = 1054;
constexpr int UM_STOP = 1055;
constexpr int UM_PAUSE = 1056;
constexpr int UM_PREV = 1057;
constexpr int UM_NEXT = 1058;

constexpr intptr_t kGraphCompleteCode = 15;
