#pragma once

#include <QLineEdit>

class QKeyEvent;

// The one-line editor of in-place renaming. Its few editing keys win over
// every shortcut of the window: Home and End (with any modifier), and
// Ctrl-Z, -X, -C and -V, which paste plain text only.
class MivEditTextField : public QLineEdit
{
    Q_OBJECT

public:
    explicit MivEditTextField(QWidget* parent = nullptr);

    // Handles a key of the table above; answers whether it did. Keys it
    // leaves go on to the line edit's ordinary handling.
    bool performKeyEquivalent(QKeyEvent* event);

Q_SIGNALS:
    // Escape: the edit ends without a commit.
    void cancelled();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
