#pragma once

class QLabel;
class QTextEdit;

// The data pane: a text view (Text1) and a picture view (Image1) in the same place, one visible at a time.
class DataPane final {
public:
    DataPane(QTextEdit *text, QLabel *image) : m_text(text), m_image(image) {}

    void clear();
    QTextEdit *text() const { return m_text; }
    QLabel *image() const { return m_image; }

private:
    QTextEdit *m_text;
    QLabel *m_image;
};
