"""Scrapy spider that collects the demo directory's listings with CSS selectors.

It reads the same result pages as dirquill-cli with engines/demo-page.key and yields
the same eight fields, cleaned the same way, so the two outputs can be compared row
for row. Two ways to page:

- mode=follow (default): follow each page's Next link, one page after the other, as a
  grab does;
- mode=parallel: read the page count from the first page and ask for every page at
  once with Scrapy's usual concurrency, which a site with numbered pages allows.

Run through run.sh, or by hand:

    scrapy runspider demo_spider.py -a start_url='http://127.0.0.1:8765/page/search?...' -O out.csv
"""

import re

import time

import scrapy

FIELDS = ["name", "street", "city", "state", "zip", "phone", "web", "email"]

# dirquill-cli grab takes at most 201 listings from one page; the spider keeps the same
# limit so that at 1,000 listings a page both do the same work and give the same rows.
MAX_PER_PAGE = 201


class DemoDirectorySpider(scrapy.Spider):
    name = "demo_directory"
    custom_settings = {
        "ROBOTSTXT_OBEY": False,
        "COOKIES_ENABLED": False,
        "TELNETCONSOLE_ENABLED": False,
        "LOG_LEVEL": "WARNING",
        "FEED_EXPORT_FIELDS": FIELDS,
        "FEED_EXPORT_ENCODING": "utf-8",
        "CONCURRENT_REQUESTS": 16,
        "CONCURRENT_REQUESTS_PER_DOMAIN": 16,
        "DOWNLOAD_TIMEOUT": 60,
    }

    def __init__(self, start_url=None, mode="follow", **kwargs):
        super().__init__(**kwargs)
        if not start_url:
            raise ValueError("pass -a start_url=ADDRESS of a /page/search result page")
        if mode not in ("follow", "parallel"):
            raise ValueError("mode is follow or parallel")
        self.start_urls = [start_url]
        self.mode = mode
        self.started = None
        self.items = 0

    def parse(self, response):
        if self.started is None:
            self.started = time.monotonic()
        for listing in response.css("div#results div.listing")[:MAX_PER_PAGE]:
            street = listing.css("span.street::text").get(default="").strip()
            self.items += 1
            yield {
                "name": listing.css("h3.name::text").get(default="").strip(),
                "street": "" if "not published" in street else street,
                "city": listing.css("span.city::text").get(default="").strip(),
                "state": listing.css("span.state::text").get(default="").strip(),
                "zip": listing.css("span.zip::text").get(default="").strip(),
                "phone": listing.css("span.phone::text").get(default="").replace("Phone: ", "").strip(),
                "web": listing.css("span.web a::attr(href)").get(default=""),
                "email": listing.css("span.email a::attr(href)").get(default="").replace("mailto:", ""),
            }
        if self.mode == "parallel":
            if response.meta.get("fanned_out"):
                return
            pages = re.search(r"Page 1 of (\d+)", response.css("nav.pager span.at::text").get(default=""))
            for page in range(2, int(pages.group(1)) + 1 if pages else 0):
                yield response.follow(f"{response.url}&page={page}", callback=self.parse, meta={"fanned_out": True})
            return
        next_page = response.css("nav.pager a.pager-next::attr(href)").get()
        if next_page:
            yield response.follow(next_page, callback=self.parse)

    def closed(self, reason):
        if self.started is not None:
            seconds = max(time.monotonic() - self.started, 1e-9)
            print(f"scrapy ({self.mode}): {self.items} listings in {seconds:.2f} s after the first page", flush=True)
