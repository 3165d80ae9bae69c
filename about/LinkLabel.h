#pragma once

#include <QLabel>

// A label drawn as a link (blue, underlined, hand cursor) that reports a click.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
