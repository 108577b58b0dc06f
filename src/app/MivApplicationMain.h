#pragma once

// Runs the program: process set-up, the application object and its loop.
int mivApplicationMain(int argc, char** argv);
