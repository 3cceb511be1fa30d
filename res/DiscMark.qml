// The product mark: a disc in gold with its hole and a glint.
import QtQuick

Item {
    id: mark
    property real size: 22
    width: size
    height: size

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "#FFCC00"
        border.color: "#FFFFFF"
        border.width: Math.max(1, mark.size / 16)
    }
    Rectangle {
        anchors.centerIn: parent
        width: mark.size * 0.56
        height: width
        radius: width / 2
        color: "transparent"
        border.color: "#cc9900"
        border.width: Math.max(1, mark.size / 22)
    }
    Rectangle {
        anchors.centerIn: parent
        width: mark.size * 0.22
        height: width
        radius: width / 2
        color: "#004466"
    }
    Rectangle {
        x: mark.size * 0.22
        y: mark.size * 0.16
        width: mark.size * 0.18
        height: mark.size * 0.08
        radius: height / 2
        rotation: -35
        color: "#FFFFFF"
        opacity: 0.8
    }
}
