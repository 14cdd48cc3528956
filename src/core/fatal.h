// The fatal ending of start-up: wait for the user where one is there, then exit with status -1.
#pragma once

[[noreturn]] void fatalExit();
