#pragma once

class QWidget;

// The pane with the keyboard focus shows the window colour, the others a light grey.
class FocusColour final {
public:
    static void apply(QWidget *pane, bool focused);
};
