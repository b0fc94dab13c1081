// Messages of a playback graph beyond the classic three (platform/messages.h), posted to
// its notify object by the event thread.
#pragma once

// wParam 1: the prepared next item is heard now (the receiver lets the graph take it);
// 0: it could not be played, and the current item ends as before.
constexpr int UM_GRAPH_NEXT_STARTED = 1041;
// wParam 1 when the seek landed, 0 when the graph refused it; lParam: the position asked
// for, in tenths of a second.
constexpr int UM_GRAPH_SEEK_DONE = 1042;
// The graph learnt its length after opening; wParam: the length in tenths of a second.
constexpr int UM_GRAPH_DURATION = 1043;
// An open begun by OpenAsync has read its file; wParam: that open's ticket, for FinishOpen.
constexpr int UM_GRAPH_OPENED = 1044;
// A conversion begun by ConvertAsync or ConvertEncodedAsync has read its source and readied
// its writers: wParam is that start's ticket, for FinishConversion; lParam 1 when it can
// run, 0 when it failed.
constexpr int UM_GRAPH_CONVERSION_STARTED = 1045;
// A restart or a rewind has been carried out: wParam 1 when the graph stands at the start
// (running again after a restart), 0 when it could not be moved there.
constexpr int UM_GRAPH_REWOUND = 1049;

// The application message the joining element's switch posts on the graph's bus.
constexpr const char* kNextStartedMessage = "veltra-next-started";
