// The tool's own header, which its sources may include. Never compiled.
#pragma once
