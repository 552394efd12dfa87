#pragma once

#include <functional>
#include <string>

#include "core/number_format.h"

namespace pm {

class Scheduler;
class Clock;
class DrawingSurface;
class SerialControl;
class Grid;
class Desktop;
class CommonDialog;
class Files;
class WindowSnapshot;
class WorkbookWriter;
class Printer;
class TextLog;
class Archive;
class DocumentOutput;

// The outside world as the window's handlers reach it. The program wires in the Qt
// implementations; tests wire in fakes and a virtual clock.
struct PlatformSet {
    Scheduler& scheduler;
    Clock& clock;
    DrawingSurface& surface;        // Picture2, where the phasor diagram is drawn
    DrawingSurface& wiringSurface;  // Picture3, the wiring check's diagram
    SerialControl& serial;          // MSComm1, the line to the meter
    Grid& grid;                     // the history table
    Desktop& desktop;               // message boxes, beep, quitting
    CommonDialog& dialog;           // CommonDialog1: the save and printer dialogs
    Files& files;                   // the save folder and text files
    WindowSnapshot& snapshot;       // pictures of the main window
    WorkbookWriter& workbook;       // the history table as a workbook
    Printer& printer;               // the printer the printer dialog chose
    TextLog& trendLog;              // the trend recording's file
    WindowSnapshot& chartSnapshot;  // pictures of the trend chart alone
    NumberFormat numberFormat{};    // the user's regional number settings
    // The site archive; none when the program runs without one (--no-archive).
    Archive* archive = nullptr;
    // The device behind port number n, as the download names it; "COMn" when not given.
    std::function<std::string(int)> portName;
    // Where printed documents go (a PDF file, the printer); none where nothing can be written.
    DocumentOutput* documents = nullptr;
};

}  // namespace pm
