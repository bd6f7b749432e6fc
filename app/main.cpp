// halvessa: opens the window in live mode and runs until the user closes it.
#include "app/application.h"

int main(int argc, char** argv) { return halvessa::app::RunApplication(argc, argv); }
