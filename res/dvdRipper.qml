// The main window's face. The program sets the "_root." variables and
// receives the commands; the Titles tree and Chapters list are native
// widgets laid over the framed area in the middle.
import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    id: root
    width: 550
    height: 440
    gradient: Gradient {
        GradientStop { position: 0; color: "#006699" }
        GradientStop { position: 1; color: "#00557f" }
    }

    // The variables as the program last set them; every binding that reads
    // value() is re-evaluated when any variable changes.
    property int revision: 0
    function value(name) { revision; return movie.get(name) }
    // A path in the user's home folder, as "~/...".
    function shownPath(path) {
        const home = movie.homeFolder
        return home !== "" && (path === home || path.startsWith(home + "/")) ? "~" + path.slice(home.length) : path
    }

    readonly property bool ripping: value("_root.stopBtn") === "0"
    property bool settingsOpen: false
    property bool aboutOpen: false

    // The outcome of the last job, held with a full bar: the program sends
    // "100" and its final text once the job is over (Stop enabled again), then
    // clears the bar; the outcome stays until the next Start or another disc.
    property string outcome: ""
    readonly property string outputFile: value("_root.outputFile")
    readonly property string outputName: outputFile.split("/").pop()
    // A failed job's outcome looks like one, and says why when clicked.
    readonly property bool failed: outcome !== "" && value("_root.failure") !== ""

    Connections {
        target: movie
        function onChanged(name) {
            const text = movie.get(name)
            if (name === "_root.outputFile" || (name === "_root.stopBtn" && text === "0")) root.outcome = ""
            if (name === "_root.Progress_mc._xscale" && text === "100" && movie.get("_root.stopBtn") === "1")
                root.outcome = movie.get("_root.progresstxt") || " "
            if (name === "_root.progresstxt" && root.outcome !== "" && text !== "") root.outcome = text
            root.revision++
            if (name === "_root.disableArea" && movie.get(name) === "1") root.settingsOpen = false
            if (name === "_root.movieClip" && movie.get(name) === "1") intro.restart()
        }
    }

    // A large disc in the background, as a watermark.
    DiscMark {
        id: watermark
        x: 400; y: -70
        size: 220
        opacity: 0.06
    }

    TitleStrip {
        id: strip
        width: parent.width
        title: "Tarvok DVD Ripper"
        StripButton { objectName: "helpButton"; text: "?"; command: "ID_FS_Help"; tip: "Help (F1)" }
        StripButton {
            objectName: "aboutButton"
            text: "i"
            tip: "About Tarvok DVD Ripper"
            onClicked: {
                root.aboutOpen = true
                movie.fscommand("ID_FS_About", "")
            }
        }
        StripButton { objectName: "minimizeButton"; text: "\u2013"; command: "ID_FS_Minimize"; tip: "Minimise" }
        StripButton { objectName: "quitButton"; text: "\u2715"; command: "ID_FS_Quit"; tip: "Quit"; warning: true }
    }

    // Main actions.
    Row {
        id: toolbar
        x: 12; y: 42
        spacing: 8
        enabled: !root.settingsOpen
        MovieButton {
            objectName: "loadButton"; text: "Load DVD"; glyph: "\u23CF"; command: "ID_FS_loadDVD"
            tip: "Choose the drive that holds the disc"
            enabled: !root.ripping
        }
        MovieButton {
            objectName: "settingsButton"; text: "Settings"; glyph: "\u2699"
            tip: "Container, codecs, quality and what happens when a rip ends"
            onClicked: {
                root.settingsOpen = true
                movie.fscommand("ID_FS_setting", "")
            }
        }
        MovieButton {
            objectName: "startButton"; text: "Start"; glyph: "\u25B6"; command: "ID_FS_Start"; primary: enabled
            tip: "Convert the disc into one video file"
            enabled: !root.ripping
        }
        MovieButton {
            objectName: "stopButton"; text: "Stop"; glyph: "\u25A0"; command: "ID_FS_Stop"
            tip: "End the rip; what is converted so far stays on disk"
            enabled: root.ripping
        }
    }

    // The preview switch: writes "true" or "false" for the program to read at Start.
    Rectangle {
        id: previewBox
        x: 440; y: 42
        width: 98; height: 64
        radius: 8
        color: Qt.rgba(1, 1, 1, 0.08)
        border.color: Qt.rgba(1, 0.8, 0, 0.35)
        enabled: !root.ripping && !root.settingsOpen
        opacity: enabled ? 1 : 0.5
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            y: 8
            text: "Preview"
            color: "#FFFFFF"
            font.pixelSize: 12
            font.bold: true
        }
        Switch {
            id: previewSwitch
            objectName: "previewSwitch"
            anchors.horizontalCenter: parent.horizontalCenter
            y: 26
            hoverEnabled: true
            focusPolicy: Qt.StrongFocus
            checked: { const v = root.value("_root.preiview").toLowerCase(); return v === "true" || v === "1" }
            onToggled: movie.set("_root.preiview", checked ? "true" : "false")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: "Show the picture while converting (the rip then runs at playing speed)"
            indicator: Rectangle {
                implicitWidth: 44; implicitHeight: 22
                radius: 11
                color: previewSwitch.checked ? "#FFCC00" : Qt.rgba(0, 0, 0, 0.3)
                border.color: "#FFCC00"
                FocusRing { shown: previewSwitch.visualFocus; radius: 14 }
                Rectangle {
                    x: previewSwitch.checked ? parent.width - width - 3 : 3
                    anchors.verticalCenter: parent.verticalCenter
                    width: 16; height: 16; radius: 8
                    color: previewSwitch.checked ? "#003d5c" : "#FFFFFF"
                    Behavior on x { NumberAnimation { duration: 120 } }
                }
            }
        }
    }

    // "_root.Entire" "0": the whole disc is ripped, whatever is selected below;
    // "1": only what is selected below. With "_root.streamsNote" what
    // happens to the streams follows (copies, subtitles), the scope said
    // shortly to keep one line.
    Text {
        objectName: "scopeNote"
        x: 14; y: 107
        width: 530
        elide: Text.ElideRight
        visible: text !== ""
        readonly property string streams: root.value("_root.streamsNote")
        text: streams === ""
              ? ({"0": "The whole disc is ripped as it plays from its start; the lists below show what it holds.",
                  "1": "Each angle ticked in Titles (else the selected one) is ripped with its chapters ticked in Chapters."})[root.value("_root.Entire")] || ""
              : (({"0": "The whole disc is ripped. ",
                   "1": "Only the ticked or selected angles' ticked chapters are ripped. "})[root.value("_root.Entire")] || "") + streams
        color: "#FFFFFF"
        opacity: 0.7
        font.pixelSize: 10
        font.italic: true
    }

    // Facts of the disc and of the selected title set: a caption over each value.
    Rectangle {
        id: infoPanel
        x: 6; y: 120
        width: 128; height: 241
        radius: 6
        color: Qt.rgba(0, 0.2, 0.32, 0.45)
        border.color: Qt.rgba(1, 0.8, 0, 0.35)
        Text {
            x: 8; y: 4
            text: "Disc"
            color: "#FFCC00"
            font.pixelSize: 13
            font.bold: true
        }
        Column {
            x: 8; y: 23
            Repeater {
                model: [
                    ["Region", "_root.region"], ["Volume", "_root.volume"], ["TV system", "_root.tvsys"],
                    ["Aspect", "_root.aspect"], ["Resolution", "_root.sourceRes"], ["Pan-scan", "_root.scan"],
                    ["Letterbox", "_root.letter"], ["Film mode", "_root.mode"], ["Coding", "_root.compression"],
                    ["Subtitles", "_root.subtitles"]
                ]
                delegate: Item {
                    id: fact
                    width: 112; height: 21.6
                    readonly property string shown: root.value(modelData[1])
                    // The Volume value tells the disc's label.
                    readonly property string tip: modelData[1] === "_root.volume" && root.value("_root.discLabel") !== ""
                                                  ? "Label: " + root.value("_root.discLabel") : ""
                    MouseArea { id: factArea; anchors.fill: parent; hoverEnabled: fact.tip !== "" }
                    ToolTip.visible: factArea.containsMouse && tip !== ""
                    ToolTip.delay: 400
                    ToolTip.text: tip
                    Text {
                        text: modelData[0]
                        color: "#FFFFFF"
                        opacity: 0.8
                        font.pixelSize: 10
                    }
                    Text {
                        objectName: "fact:" + modelData[1]
                        y: 9
                        width: parent.width
                        elide: Text.ElideRight
                        textFormat: Text.PlainText
                        text: parent.shown
                        color: "#FFCC00"
                        font.pixelSize: 12
                        font.bold: true
                    }
                }
            }
        }
    }

    // The frame under the native Titles tree and Chapters list.
    Rectangle {
        id: browserFrame
        x: 139; y: 120
        width: 410; height: 238
        radius: 6
        color: "#006699"  // the native lists' own panel colour
        border.color: Qt.rgba(1, 0.8, 0, 0.35)
    }

    // Output folder.
    Text {
        x: 12; y: 372
        text: "Output folder"
        color: "#FFFFFF"
        font.pixelSize: 11
        font.bold: true
    }
    // The keyboard reaches it too: Space chooses another folder.
    Rectangle {
        id: outputFolder
        objectName: "outputFolder"
        x: 98; y: 366
        width: 346; height: 26
        radius: 5
        activeFocusOnTab: enabled
        enabled: !root.settingsOpen
        Keys.onSpacePressed: movie.fscommand("ID_FS_Browse", "")
        FocusRing { shown: outputFolder.activeFocus; radius: 8 }
        color: Qt.rgba(0, 0, 0, 0.25)
        border.color: folderArea.containsMouse ? "#FFCC00" : Qt.rgba(1, 0.8, 0, 0.35)
        Text {
            objectName: "outputDirText"
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            verticalAlignment: Text.AlignVCenter
            textFormat: Text.PlainText  // a folder's name is never markup
            text: root.shownPath(root.value("_root.outputDir"))
            elide: Text.ElideMiddle
            color: "#FFCC00"
            font.pixelSize: 12
        }
        MouseArea {
            id: folderArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            enabled: !root.settingsOpen
            onClicked: movie.fscommand("ID_FS_Browse", "")
        }
    }
    MovieButton {
        objectName: "browseButton"
        x: 452; y: 364
        compact: true
        text: "Browse\u2026"
        command: "ID_FS_Browse"
        tip: "Choose the folder that receives the video file"
        tipBelow: true
        enabled: !root.settingsOpen
    }

    // Progress of the rip.
    Rectangle {
        id: progressTrack
        x: 12; y: 402
        width: 526; height: 26
        radius: 13
        color: Qt.rgba(0, 0, 0, 0.3)
        border.color: Qt.rgba(1, 0.8, 0, 0.5)
        readonly property real percent: root.outcome !== "" ? 100
                                        : Math.max(0, Math.min(100, Number(root.value("_root.Progress_mc._xscale")) || 0))
        Rectangle {
            objectName: "progressFill"
            x: 2; y: 2
            height: parent.height - 4
            width: (parent.width - 4) * parent.percent / 100
            radius: height / 2
            visible: width > 0
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: root.failed ? "#B3261E" : "#FFB300" }
                GradientStop { position: 1; color: root.failed ? "#E2574C" : "#FFDD55" }
            }
            Behavior on width { NumberAnimation { duration: 300 } }
        }
        Text {
            objectName: "progressText"
            anchors.centerIn: parent
            textFormat: Text.PlainText
            width: parent.width - 24
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideMiddle
            text: root.outcome === "" ? root.value("_root.progresstxt")
                  : root.outcome + (root.outputName !== "" ? "  \u2014  " + root.outputName : "")
            color: "#FFFFFF"
            style: Text.Outline
            styleColor: "#003d5c"
            font.pixelSize: 12
            font.bold: true
        }
    }

    // The damage a scratched disc's rip passed over, under the bar.
    Text {
        objectName: "damageNote"
        x: 24; y: 428
        width: 502
        visible: text !== ""
        textFormat: Text.PlainText
        text: root.value("_root.damage")
        elide: Text.ElideRight
        color: "#FFCC00"
        font.pixelSize: 10
        MouseArea {
            id: damageArea
            anchors.fill: parent
            hoverEnabled: true
        }
        ToolTip.visible: damageArea.containsMouse
        ToolTip.text: text
    }

    // A click on the outcome opens the folder of the file written, or says why the job failed;
    // Tab reaches it too, and Space does what a click does.
    MouseArea {
        id: outcomeArea
        objectName: "outcomeArea"
        anchors.fill: progressTrack
        enabled: root.outcome !== "" && (root.outputFile !== "" || root.failed) && !root.settingsOpen
        activeFocusOnTab: enabled
        hoverEnabled: true
        cursorShape: enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        function activate() { movie.fscommand(root.failed ? "ID_FS_showFailure" : "ID_FS_openOutput", "") }
        onClicked: activate()
        Keys.onSpacePressed: activate()
        FocusRing { shown: outcomeArea.activeFocus; radius: 15 }
        ToolTip.visible: containsMouse && enabled
        ToolTip.delay: 400
        ToolTip.text: root.failed ? "Why the rip failed" : "Open the folder that holds " + root.outputName
    }

    // The about panel, over the frame while the program hides the lists.
    Rectangle {
        id: aboutPanel
        objectName: "aboutPanel"
        x: 139; y: 120
        width: 410; height: 238
        radius: 6
        visible: root.aboutOpen
        color: "#004d73"
        border.color: "#FFCC00"
        DiscMark { x: 16; y: 18; size: 48 }
        Text {
            objectName: "aboutText"
            x: 80; y: 16
            width: parent.width - 96
            wrapMode: Text.Wrap
            textFormat: Text.StyledText
            text: root.value("_root.aboutText").replace(/\n/g, "<br>")
            color: "#FFFFFF"
            linkColor: "#FFCC00"
            font.pixelSize: 12
            lineHeight: 1.25
            onLinkActivated: (link) => Qt.openUrlExternally(link)
            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.NoButton
                cursorShape: parent.hoveredLink ? Qt.PointingHandCursor : Qt.ArrowCursor
            }
        }
        MovieButton {
            objectName: "closeAboutButton"
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 12
            compact: true
            text: "Close"
            onClicked: {
                root.aboutOpen = false
                movie.fscommand("ID_FS_closeAbout", "")
            }
        }
    }

    // "_root.movieClip" "1": the mark turns once as the window opens.
    SequentialAnimation {
        id: intro
        NumberAnimation { target: watermark; property: "rotation"; from: -90; to: 0; duration: 900; easing.type: Easing.OutCubic }
    }
}
