#include "browser/DataPane.h"

#include <QLabel>
#include <QTextEdit>

void DataPane::clear()
{
    m_text->clear();
    m_image->hide();
    m_text->show();
}
