#pragma once
// The packet window: a top-level window over the traffic list that shows one packet's bytes in
// a hex view, captioned with the packet's total length and type. It keeps its own copy of the
// bytes, so a line the list has deleted can never be read through it. It does not act on the
// view's notifications: editing in it changes nothing.

#include <QMainWindow>
#include <vector>

class CHexViewCtrl;
class CPacket;

class CHexViewFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 580;
    static constexpr int kHeight = 360;
    static constexpr int kViewId = 2;
    static constexpr int ID_PACKET_PARAMETERS = 32787;  // "Параметры пакета": no operation
    static constexpr const char* kInfoFormat =
        "Address: %R Hex%n------ Data -------%nHex:%t%H%nDec:%t%D%nBin:%t%B%nAscii:%t%A";

    // A window of its own (Qt::Window) whose parent is the owner; closing it destroys it.
    explicit CHexViewFrame(QWidget* owner);

    // Shows a copy of the packet's payload, or nothing (caption "Пакет").
    void ShowPacket(const CPacket* packet);
    // Places the window centred over its owner's window.
    void CentreOverOwner();

    CHexViewCtrl* GetView() const { return m_view; }
    const std::vector<unsigned char>& GetBytes() const { return m_bytes; }

private:
    CHexViewCtrl* m_view;
    std::vector<unsigned char> m_bytes;
};
