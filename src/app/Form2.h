#pragma once

#include <QDialog>

class Launcher;
class QLabel;

// The About window.
class Form2 final : public QDialog {
    Q_OBJECT
public:
    explicit Form2(Launcher &launcher, QWidget *parent = nullptr);

    QLabel *Label10 = nullptr;

private:
    Launcher &m_launcher;
};
