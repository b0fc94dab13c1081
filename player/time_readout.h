// The time readout of the main window: elapsed and total time of the open item, or, while
// the seek thumb is dragged, the time it would land on. Painted by code in the skin's
// colours over the window's own background, so the skin's artwork stays as it is.
#pragma once

#include <QString>
#include <QWidget>

// "m:ss", or "h:mm:ss" when the total reaches an hour, so both halves of the readout keep
// one form. Negative times count as 0.
QString FormatPlayTime(int tenths, int totalTenths);

class TimeReadout : public QWidget {
  public:
    explicit TimeReadout(QWidget* parent = nullptr);

    void ShowElapsed(int tenths, int totalTenths);
    void ShowTarget(int tenths, int totalTenths);
    void Clear();

    QString Text() const { return m_text; }
    bool ShowsTarget() const { return m_bTarget; }

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    void Set(const QString& text, bool target);

    QString m_text;
    bool m_bTarget = false;
};
