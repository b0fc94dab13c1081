// The question before a listed file goes to the desktop trash, and the word after a move
// that failed.
#pragma once

#include <string>

class QWidget;

enum class TrashAnswer {
    Declined,  // the user said No: the file stays
    Trashed,   // the file is in the trash
    Failed,    // the move failed (the user was told): the file stays
};

// Asks (owner: the list's window) whether the file goes to the trash; on Yes moves it.
TrashAnswer AskAndTrash(QWidget* owner, const std::string& path);
