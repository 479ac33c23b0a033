#include "join/rowreader.h"

RowReader::~RowReader() = default;
