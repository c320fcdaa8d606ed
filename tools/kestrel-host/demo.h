// The built-in demo of kestrel-host: a whole session in the virtual simulator.
#pragma once

extern const char DemoScript[];
