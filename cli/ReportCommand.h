#pragma once

// vexlo-cli report: a session's printed report as a PDF file, without a display.
namespace ReportCommand {

int Run(int argc, char** argv);

} // namespace ReportCommand
