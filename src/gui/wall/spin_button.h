#pragma once
// The up/down arrow pair beside an adjusted field: no value of its own, only steps.

#include <QWidget>

class QToolButton;

class SpinButton final : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }
    // The field the arrows step, for their names ("Increase <field>").
    void setTarget(const QString& field);

Q_SIGNALS:
    void stepped(int delta);  // +1 up, -1 down

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QToolButton* up_;
    QToolButton* down_;
    QString target_;
};
