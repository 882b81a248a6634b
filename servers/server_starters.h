#pragma once
// Lets the server sections of the settings tree start their servers: their apply at start-up
// (an enabled server starts; one that fails to start is recorded as disabled).
class configuration;

void install_server_starters(configuration& settings);
