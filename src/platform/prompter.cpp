#include "platform/prompter.h"

Prompter::~Prompter() = default;
