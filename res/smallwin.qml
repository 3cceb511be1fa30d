// The preview window's face, under the picture: a quiet sign that a
// conversion is under way. It sends nothing the program uses.
import QtQuick

Rectangle {
    id: root
    width: 150
    height: 150
    color: "#004d73"
    border.color: "#FFCC00"

    DiscMark {
        id: disc
        anchors.centerIn: parent
        anchors.verticalCenterOffset: -12
        size: 64
        RotationAnimation on rotation { from: 0; to: 360; duration: 4000; loops: Animation.Infinite }
    }
    Text {
        id: caption
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        text: "Converting"
        color: "#FFCC00"
        font.pixelSize: 13
        font.bold: true
        SequentialAnimation on opacity {
            loops: Animation.Infinite
            NumberAnimation { from: 1; to: 0.35; duration: 1200; easing.type: Easing.InOutSine }
            NumberAnimation { from: 0.35; to: 1; duration: 1200; easing.type: Easing.InOutSine }
        }
    }
}
