// String-table ids of the TWAIN connection and its reports.
#pragma once
