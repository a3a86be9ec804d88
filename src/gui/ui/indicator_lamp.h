#pragma once
// One indicator light of the front panel. It only shows what it is told: the core decides
// when a light is lit and its blink worker switches blinking lights on and off.

#include <QWidget>

class IndicatorLamp final : public QWidget {
    Q_OBJECT
public:
    enum class Colour { Red, Green };

    explicit IndicatorLamp(Colour colour = Colour::Red, QWidget* parent = nullptr);

    // lit: shown right now; blinking: one of the lights the blink worker flashes; unknown: the
    // device has stopped answering, so this is only its last known state.
    void setState(bool lit, bool blinking, bool unknown = false);
    bool isLit() const { return lit_; }
    bool isBlinking() const { return blinking_; }
    bool isUnknown() const { return unknown_; }

    // What assistive tools announce, e.g. "V1 light"; the state follows as the description.
    void setName(const QString& name);

    // "off", "lit", "blinking" or "unknown" in the current language.
    QString stateText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void describeState();

    Colour colour_;
    bool lit_ = false;
    bool blinking_ = false;
    bool unknown_ = false;
};
