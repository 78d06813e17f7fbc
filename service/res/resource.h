#pragma once

#define IDS_SERVICENAME 100
