// The program: the shell runs the main window that the player composes.
#include "app/program.h"
#include "player/run_main_window.h"

int main(int argc, char** argv) {
    return RunProgram(argc, argv, &RunMainWindow, &RunMainWindowWithFiles);
}
