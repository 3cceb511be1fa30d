// The settings window's face. The program sends each list as one text of
// "|"-separated entries and the current choices as index texts; the movie
// writes the user's choices back into the same variables.
import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    id: root
    width: 359
    height: 466
    gradient: Gradient {
        GradientStop { position: 0; color: "#006699" }
        GradientStop { position: 1; color: "#00557f" }
    }
    border.color: "#FFCC00"

    property int revision: 0
    function value(name) { revision; return movie.get(name) }
    Connections {
        target: movie
        function onChanged(name) { root.revision++ }
    }

    // A list of the program's choices. Its entries appear once the program
    // says its lists are ready; the choice follows the index variable.
    component Choice: ComboBox {
        id: box
        property string listVariable
        property string choiceVariable
        property string readyVariable
        property string unit: ""
        property string changeCommand: ""

        readonly property bool ready: root.value(readyVariable) === "1"
        readonly property var entries: ready && root.value(listVariable) !== ""
                                       ? root.value(listVariable).split("|").filter((e, i, all) => i < all.length - 1 || e !== "")
                                       : []
        readonly property int chosen: { const n = parseInt(root.value(choiceVariable)); return isNaN(n) ? -1 : n }

        model: entries
        displayText: currentIndex >= 0 ? currentText + unit : ""
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        implicitHeight: 24
        // After the box has taken its new entries (it resets its index then).
        function applyChoice() { currentIndex = chosen < count ? chosen : -1 }
        onModelChanged: Qt.callLater(applyChoice)
        onCountChanged: Qt.callLater(applyChoice)
        onChosenChanged: Qt.callLater(applyChoice)
        onActivated: (index) => {
            movie.set(choiceVariable, String(index))
            if (changeCommand !== "") movie.fscommand(changeCommand, "")
        }

        indicator: Text {
            x: box.width - width - 8
            anchors.verticalCenter: parent.verticalCenter
            text: "\u25BE"
            color: "#003d5c"
            font.pixelSize: 12
        }
        contentItem: Text {
            leftPadding: 8
            rightPadding: 18
            text: box.displayText
            color: "#003d5c"
            font.pixelSize: 12
            font.bold: true
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            radius: 5
            color: box.down ? "#FFD84D" : box.hovered ? "#FFE17A" : "#FFCC00"
            FocusRing { shown: box.visualFocus }
        }
        delegate: Component {
            ItemDelegate {
                width: box.width
                height: 24
                highlighted: box.highlightedIndex === index
                contentItem: Text {
                    text: modelData + box.unit
                    color: highlighted ? "#003d5c" : "#FFFFFF"
                    font.pixelSize: 12
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle { color: highlighted ? "#FFCC00" : "#004d73" }
            }
        }
        popup.background: Rectangle { color: "#004d73"; border.color: "#FFCC00" }
        // A list longer than the window scrolls, and shows that it does.
        popup.contentItem: ListView {
            id: entryList
            objectName: "entryList"
            clip: true
            implicitHeight: contentHeight
            model: box.popup.visible ? box.delegateModel : null
            currentIndex: box.highlightedIndex
            highlightMoveDuration: 0
            ScrollBar.vertical: ScrollBar {
                policy: entryList.contentHeight > entryList.height + 1 ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
            }
        }
    }

    // A behaviour switch: the program writes "0"/"1", the movie "true"/"false".
    component Flag: CheckBox {
        id: flag
        property string variable
        checked: { const v = root.value(variable); return v === "1" || v === "true" }
        onToggled: movie.set(variable, checked ? "true" : "false")
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        implicitHeight: 22
        indicator: Rectangle {
            x: 0
            anchors.verticalCenter: parent.verticalCenter
            width: 18; height: 18; radius: 4
            color: flag.checked ? "#FFCC00" : Qt.rgba(0, 0, 0, 0.3)
            border.color: "#FFCC00"
            FocusRing { shown: flag.visualFocus }
            Text {
                anchors.centerIn: parent
                visible: flag.checked
                text: "\u2713"
                color: "#003d5c"
                font.pixelSize: 14
                font.bold: true
            }
        }
        contentItem: Text {
            leftPadding: 26
            text: flag.text
            color: flag.hovered ? "#FFCC00" : "#FFFFFF"
            font.pixelSize: 11
            verticalAlignment: Text.AlignVCenter
        }
    }

    component Caption: Text {
        color: "#FFFFFF"
        opacity: 0.8
        font.pixelSize: 10
        topPadding: 2
    }

    component Heading: Text {
        color: "#FFCC00"
        font.pixelSize: 13
        font.bold: true
    }

    TitleStrip {
        x: 1; y: 1
        width: parent.width - 2
        title: "Settings"
        StripButton { objectName: "quitButton"; text: "\u2715"; command: "ID_FS_Quit"; tip: "Close"; warning: true }
    }

    Row {
        x: 14; y: 42
        spacing: 15
        Column {
            width: 158
            spacing: 1
            Heading { text: "Video" }
            Caption { text: "Container" }
            Choice {
                objectName: "containerChoice"; width: parent.width
                listVariable: "_root.video_method"; choiceVariable: "_root.SelectedVMethod"
                readyVariable: "_root.videoSettingFlag"; changeCommand: "ID_FS_VMethod"
                ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "The kind of file; it sets the extension and the codecs offered"
            }
            Caption { text: "Codec" }
            Choice {
                objectName: "videoCodecChoice"; width: parent.width
                listVariable: "_root.video_codec"; choiceVariable: "_root.VSelectedCodec"; readyVariable: "_root.videoSettingFlag"
            }
            Caption { text: "Bitrate" }
            Choice {
                objectName: "videoBitrateChoice"; width: parent.width; unit: " kbit/s"
                listVariable: "_root.video_bitrate"; choiceVariable: "_root.SelectedVBitrate"; readyVariable: "_root.videoSettingFlag"
            }
            Caption { text: "Scale" }
            Choice {
                objectName: "videoScaleChoice"; width: parent.width; unit: " \u00D7"
                listVariable: "_root.video_channel"; choiceVariable: "_root.SelectedVChannel"; readyVariable: "_root.videoSettingFlag"
                ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "Picture size as a multiple of the disc's"
            }
        }
        Column {
            width: 158
            spacing: 1
            Heading { text: "Audio" }
            Caption { text: "Codec" }
            Choice {
                objectName: "audioCodecChoice"; width: parent.width
                listVariable: "_root.audio_codec"; choiceVariable: "_root.SelectedCodec"; readyVariable: "_root.audioSettingFlag"
            }
            Caption { text: "Bitrate" }
            Choice {
                objectName: "audioBitrateChoice"; width: parent.width; unit: " kbit/s"
                listVariable: "_root.audio_bitrate"; choiceVariable: "_root.SelectedBitrate"; readyVariable: "_root.audioSettingFlag"
            }
            Caption { text: "Channels" }
            Choice {
                objectName: "audioChannelChoice"; width: parent.width
                listVariable: "_root.audio_channel"; choiceVariable: "_root.SelectedChannel"; readyVariable: "_root.audioSettingFlag"
            }
            Caption { text: "Sample rate" }
            Choice {
                objectName: "audioRateChoice"; width: parent.width; unit: " Hz"
                listVariable: "_root.audio_rate"; choiceVariable: "_root.SelectedRate"; readyVariable: "_root.audioSettingFlag"
            }
        }
    }

    Column {
        x: 14; y: 222
        spacing: 1
        Heading { text: "Subtitles" }
        Row {
            spacing: 10
            Choice {
                objectName: "subtitleModeChoice"; width: 158
                listVariable: "_root.subtitle_mode"; choiceVariable: "_root.SelectedSubtitleMode"; readyVariable: "_root.audioSettingFlag"
                ToolTip.visible: hovered; ToolTip.delay: 600
                ToolTip.text: "A track needs MKV, MPEG PS, MPEG1 or MP4; burned in, any container shows them"
            }
            Choice {
                objectName: "subtitleLanguageChoice"; width: 56
                listVariable: "_root.subtitle_language"; choiceVariable: "_root.SelectedSubtitleLanguage"; readyVariable: "_root.audioSettingFlag"
                ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "The language preferred; else the disc's first subtitles"
            }
            Flag {
                objectName: "subtitleForcedFlag"; variable: "_root.subtitleForced"; text: "Forced only"
                ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "Only what the disc shows even with subtitles off"
            }
        }
    }

    Column {
        x: 14; y: 276
        spacing: 0
        Heading { text: "When ripping"; bottomPadding: 2 }
        Flag {
            objectName: "selectionFlag"; variable: "_root.ripSelection"; text: "Rip only the selected angle and the ticked chapters"
            ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "Off: the whole disc, as it plays"
        }
        Flag { objectName: "overwritingFlag"; variable: "_root.overwriting"; text: "Overwrite an existing file without asking" }
        Flag { objectName: "lockFlag"; variable: "_root.lockDVD"; text: "Lock the drive while ripping" }
        Flag { objectName: "outputFlag"; variable: "_root.output"; text: "Open the output folder when done" }
        Flag { objectName: "ejectFlag"; variable: "_root.ejectDVD"; text: "Eject the disc when done" }
        Flag {
            objectName: "shutdownFlag"; variable: "_root.stutdown"; text: "Power the computer off when done"
            ToolTip.visible: hovered; ToolTip.delay: 600; ToolTip.text: "Nothing else is done then: no folder, no eject"
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12
        spacing: 8
        MovieButton { objectName: "cancelButton"; compact: true; text: "Cancel"; command: "ID_FS_Cancel"; tip: "Close without saving" }
        MovieButton { objectName: "okButton"; compact: true; primary: true; text: "OK"; command: "ID_FS_Ok"; tip: "Save these settings" }
    }
}
