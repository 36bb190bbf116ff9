// The agent's executable: everything it does is in the shell library.
#include "shell/AppStartup.h"

int main(int argc, char** argv) { return tessaly::RunAgent(argc, argv); }
