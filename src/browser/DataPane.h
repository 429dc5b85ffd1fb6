// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>

class QLabel;
class QTextEdit;

// The data pane: a text view (Text1) and a picture view (Image1) in the same place, one visible at a time.
class DataPane final {
public:
    DataPane(QTextEdit *text, QLabel *image) : m_text(text), m_image(image) {}

    void clear();
    void showTextBox();
    void setText(const QString &text);
    void hideText();
    // Shows the picture as large as the pane allows, whole and undistorted.
    void showPicture(const QImage &picture);
    // Fits the shown picture again after the pane has changed size.
    void refit();
    // The size a w x h picture takes in a W x H pane.
    static QSize fitted(QSize picture, QSize pane);

    QTextEdit *text() const { return m_text; }
    QLabel *image() const { return m_image; }

private:
    QTextEdit *m_text;
    QLabel *m_image;
    QSize m_pictureSize;
};
