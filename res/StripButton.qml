// A small square button of the title strip.
import QtQuick
import QtQuick.Controls.Basic

Button {
    id: control
    property string command: ""
    property string tip: ""
    property bool warning: false

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    implicitWidth: 26
    implicitHeight: 22
    ToolTip.visible: hovered && enabled && tip !== ""
    ToolTip.delay: 600
    ToolTip.text: tip
    onClicked: if (command !== "") movie.fscommand(command, "")

    contentItem: Text {
        text: control.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 14
        font.bold: true
        color: control.hovered ? "#FFFFFF" : "#FFCC00"
    }
    background: Rectangle {
        radius: 4
        color: control.down ? (control.warning ? "#b3261e" : "#003d5c")
             : control.hovered ? (control.warning ? "#d93a2b" : Qt.rgba(1, 1, 1, 0.2)) : "transparent"
        FocusRing { shown: control.visualFocus; anchors.margins: -1 }
    }
}
