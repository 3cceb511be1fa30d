// The one mark of keyboard focus in the movies: a white ring just outside
// the item it belongs to.
import QtQuick

Rectangle {
    objectName: "focusRing"
    property bool shown: false
    anchors.fill: parent
    anchors.margins: -3
    radius: 6
    color: "transparent"
    border.width: 2
    border.color: "#FFFFFF"
    visible: shown
    z: 10
}
