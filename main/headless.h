#ifndef HEADLESS_H
#define HEADLESS_H

// Workbook transfers from the command line, without a window or a display:
//
//     r7config --export backup.xlsx --tcp 192.168.101.1
//     r7config --import backup.xlsx --rtu /dev/ttyUSB0 --baud 38400 --parity even
//     r7config --compare backup.xlsx --tcp 192.168.101.1:502 --unit 3
//
// They run the Test Maintain page's transfers (ExelToWrite, the page's
// templates and row rules) over a link given on the command line, opened
// through DeviceLink like the connection page's. The options are parsed in
// headlessoptions.cpp, the summary and exit codes made in headlessreport.cpp;
// this file runs the modes.
namespace Headless {

enum ExitCode {
    ExitDone = 0,        // every row went through (compare: no difference)
    ExitRowsFailed = 1,  // some rows failed or were refused (compare: or differ)
    ExitBadArguments = 2,
    ExitLinkOrFile = 3   // no link, link lost, or the workbook could not be read or written
};

// True when the arguments ask for a transfer or for the command-line help,
// so main() must not create the window.
bool wanted(int argc, char *argv[]);

// Runs the transfer under its own QCoreApplication; returns the exit code.
int run(int argc, char *argv[]);

} // namespace Headless

#endif // HEADLESS_H
