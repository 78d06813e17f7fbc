#pragma once

// Every line of the service goes to one file of one log folder, at level 0.
const char kServiceLogName[] = "VxNetService";
const char kServiceLogFile[] = "MsgHandler.txt";
