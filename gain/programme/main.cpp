#include "programme/pilote.hpp"

int main(int argc, char** argv) { return executer_gain(argc, argv); }
