#pragma once
// The program's questions and notices go through this interface, so tests can answer them
// without a person at the keyboard.

#include <QString>

class QWidget;

class MessageBoxes {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;
    // Yes, No and Cancel; Esc and the title bar answer Cancel.
    virtual Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // One OK button. An empty title means the program's own name.
    virtual void inform(QWidget* parent, const QString& title, const QString& text) = 0;
    // The open/close/cancel ask box: 1 Open, 2 Close, 0 Cancel or closed.
    virtual int askOpenClose(QWidget* parent) = 0;
};

// Real message boxes and the CAnswer ask box.
class DialogMessageBoxes final : public MessageBoxes {
public:
    Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text) override;
    void inform(QWidget* parent, const QString& title, const QString& text) override;
    int askOpenClose(QWidget* parent) override;
};

// The shared instance used when nothing else is injected.
MessageBoxes& dialogMessageBoxes();
