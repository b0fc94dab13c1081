// The small find field over the playlist (Ctrl+F): what is typed narrows the list to the
// rows that contain it; Esc closes it, Enter plays the selected match, Down goes to the
// list.
#pragma once

#include <QLineEdit>

class FindBar : public QLineEdit {
    Q_OBJECT
  public:
    explicit FindBar(QWidget* parent = nullptr);

  signals:
    void CloseRequested();
    void PlayRequested();
    void ListRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
