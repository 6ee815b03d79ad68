#pragma once
// Routes the registry's warnings (a damaged settings file kept aside, a
// settings file that cannot be written) to the log through LibOrvane(), as
// warnings from "RegistryOpen". The host calls it once, before RegistryOpen.

void LogRegistryWarnings();
