#pragma once

// Hands the services below the windows what they must ask of them: which objects are forms (so the
// translation of a form leaves the forms embedded in it alone) and the form resizer's scaling switch
// (which the start-up settings set). Called once at start, before any form exists.
void RegisterWindowServices();
