// The top strip of a borderless movie window: the product mark, a title,
// small buttons on the right, and a drag area that moves the window.
import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    id: strip
    property string title: ""
    property string dragCommand: "Drag"
    default property alias buttons: row.data

    height: 34
    gradient: Gradient {
        GradientStop { position: 0; color: "#004466" }
        GradientStop { position: 1; color: "#005580" }
    }

    MouseArea {
        objectName: "dragArea"
        anchors.fill: parent
        cursorShape: Qt.SizeAllCursor
        onPressed: movie.fscommand(strip.dragCommand, "")
    }

    DiscMark {
        id: mark
        x: 10
        anchors.verticalCenter: parent.verticalCenter
        size: 22
    }
    Text {
        anchors.left: mark.right
        anchors.leftMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: strip.title
        color: "#FFCC00"
        font.pixelSize: 15
        font.bold: true
    }
    Row {
        id: row
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
    }
    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#FFCC00"
        opacity: 0.5
    }
}
