#pragma once

class QString;

// The one-button message box of start-up. It may come while the program's one message box waits for an answer
// (the database's refusal comes whenever the read-through ends), and is shown then in a box of its own.
void showStartUpMessage(const QString& title, const QString& text);
