// A button of the movies: a glyph over a caption, gold on the blue panel.
// It sends `command` to the program when clicked.
import QtQuick
import QtQuick.Controls.Basic

Button {
    id: control
    property string command: ""
    property string glyph: ""
    property string tip: ""
    property bool compact: false  // caption only, for dialog buttons
    property bool primary: false  // filled gold, for the main action
    property bool tipBelow: false  // the tip under the button: above it, the native lists would hide it

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    implicitWidth: compact ? 86 : 96
    implicitHeight: compact ? 30 : 64
    opacity: enabled ? 1 : 0.35

    ToolTip {
        parent: control
        visible: control.hovered && control.enabled && control.tip !== ""
        delay: 600
        text: control.tip
        y: control.tipBelow ? control.height + 4 : -implicitHeight - 4
    }

    onClicked: if (command !== "") movie.fscommand(command, "")

    contentItem: Column {
        spacing: 2
        Text {
            visible: control.glyph !== "" && !control.compact
            anchors.horizontalCenter: parent.horizontalCenter
            text: control.glyph
            font.pixelSize: 24
            color: control.down || control.primary ? "#003d5c" : "#FFCC00"
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: control.text
            font.pixelSize: 12
            font.bold: true
            color: control.down || control.primary ? "#003d5c" : "#FFFFFF"
        }
    }

    background: Rectangle {
        radius: 8
        color: control.down ? "#FFCC00"
             : control.primary ? (control.hovered ? "#FFD84D" : "#FFCC00")
             : control.hovered ? Qt.rgba(1, 1, 1, 0.22) : Qt.rgba(1, 1, 1, 0.10)
        border.width: 1
        border.color: control.hovered || control.primary ? "#FFCC00" : Qt.rgba(1, 0.8, 0, 0.35)
        Behavior on color { ColorAnimation { duration: 120 } }
        FocusRing { shown: control.visualFocus; radius: 11 }
    }
}
