#pragma once

#include <QPointer>
#include <QWebView>

// Web view inside a frameless dialog: typing into the page takes the keyboard from the dialog.
class ZUWebView : public QWebView
{
    Q_OBJECT
public:
    explicit ZUWebView(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPointer<QWidget> m_focusHolder;
};
