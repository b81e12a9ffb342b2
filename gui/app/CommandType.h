#pragma once

// Every command of the menus and the tool bar.
enum class CommandType {
    FileOpen, FileClose, FileSave, FileSaveAs, FilePrint, FilePrintPreview, FileExport, FileExit,
    EditSessionParams,
    ViewCustomise, ZoomTool, ZoomIn, ZoomOut, ZoomAll, ZoomTo,
    Connect, Disconnect, Configure, Download, SetClock, StartRecording, EraseMemory,
    Colours, Options, Associate,
    HelpTopics, Manual, FirmwareUpgrade, About,
};
