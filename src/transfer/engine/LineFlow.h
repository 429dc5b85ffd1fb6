// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArrayView>

// What the machine has said about the pace of the line. DC3 holds the sender until the next DC1,
// byte by byte, wherever the two stand in a read; "DC1 seen" counts only a read that is DC1 alone,
// so a DC1 mixed into other data never starts a file.
class LineFlow final {
public:
    static constexpr char Dc1 = 0x11, Dc2 = 0x12, Dc3 = 0x13, Dc4 = 0x14;
    // DC1 to DC4 steer the line and are never program text.
    static bool isControl(char byte) { return byte >= Dc1 && byte <= Dc4; }

    void heard(QByteArrayView text);
    void reset();
    void forgetDc1() { m_dc1Seen = false; }
    bool dc1Seen() const { return m_dc1Seen; }
    bool held() const { return m_held; }

private:
    bool m_dc1Seen = false;
    bool m_held = false;
};
